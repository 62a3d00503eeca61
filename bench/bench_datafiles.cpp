// Cost of saving a full store (50000 records) as a text log and as a
// comma-separated log to a file, including the save file's commit; and, as
// the floor to compare with, writing the same bytes to a plain file.
#include "datalog/datafiles.h"

#include <QBuffer>
#include <QFile>
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
        const WriteResult result =
            saveTextLog(path, kTitleSave, QStringLiteral("12/9/26"), QStringLiteral("2:03:09 PM"), records);
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

// The bytes of a log, made once; the raw benchmarks write only these.
static QByteArray textLogBytes(const std::vector<MeasurementRecord> &records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    datafiles::writeTextLog(buffer, kTitleSave, QStringLiteral("12/9/26"), QStringLiteral("2:03:09 PM"),
                            records);
    return buffer.data();
}

static QByteArray csvLogBytes(const std::vector<MeasurementRecord> &records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    datafiles::writeCsvLog(buffer, records);
    return buffer.data();
}

// One buffered write of ready bytes, flushed and closed: what a save costs
// beyond formatting is measured against this.
static void writeRaw(benchmark::State &state, const QByteArray &bytes, const QString &path)
{
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
            !file.flush()) {
            state.SkipWithError(qPrintable(file.errorString()));
            break;
        }
        file.close();
    }
    state.SetItemsProcessed(state.iterations() * 50000);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

static void BM_RawTextLogBytes(benchmark::State &state)
{
    const QByteArray bytes = textLogBytes(fullStore());
    QTemporaryDir dir;
    writeRaw(state, bytes, dir.filePath(QStringLiteral("raw.txt")));
}
BENCHMARK(BM_RawTextLogBytes)->Unit(benchmark::kMillisecond);

static void BM_RawCsvLogBytes(benchmark::State &state)
{
    const QByteArray bytes = csvLogBytes(fullStore());
    QTemporaryDir dir;
    writeRaw(state, bytes, dir.filePath(QStringLiteral("raw.csv")));
}
BENCHMARK(BM_RawCsvLogBytes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
