// Cost of saving a full store (50000 records) as a text log and as a
// comma-separated log to a file, including the save file's commit.
#include "datalog/datafiles.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

static std::vector<MeasurementRecord> fullStore()
{
    static const QString functions[] = {QStringLiteral("VDC"), QStringLiteral("VAC/HZ/%"),
                                        QStringLiteral("R/DIODE/BEEP/CAP"), QString()};
    static const QString units[] = {QStringLiteral("V"), QStringLiteral("mV"), QStringLiteral("KΩ"),
                                    QStringLiteral("Hz")};
    std::vector<MeasurementRecord> records(50000);
    for (std::size_t i = 0; i < records.size(); ++i) {
        MeasurementRecord &r = records[i];
        r.number = static_cast<std::int32_t>(i + 1);
        const int count = static_cast<int>((i * 7919) % 8000) - 4000;
        r.value = count / 100.0;
        r.data = QString::number(r.value, 'f', 2);
        r.function = functions[i % 4];
        r.unit = units[(i / 3) % 4];
        r.time = QStringLiteral("12/9/26\\2:03:%1 PM").arg(i % 60, 2, 10, QLatin1Char('0'));
    }
    return records;
}

static void BM_SaveTextLog(benchmark::State &state)
{
    const std::vector<MeasurementRecord> records = fullStore();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    for (auto _ : state) {
        const WriteResult result = saveTextLog(path, kTitleSave, QStringLiteral("12/9/26"),
                                               QStringLiteral("2:03:09 PM"), records);
        if (!result)
            state.SkipWithError(qPrintable(result.reason));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
}
BENCHMARK(BM_SaveTextLog)->Unit(benchmark::kMillisecond);

static void BM_SaveCsvLog(benchmark::State &state)
{
    const std::vector<MeasurementRecord> records = fullStore();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    for (auto _ : state) {
        const WriteResult result = saveCsvLog(path, records);
        if (!result)
            state.SkipWithError(qPrintable(result.reason));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
}
BENCHMARK(BM_SaveCsvLog)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
