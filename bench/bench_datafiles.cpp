// Cost of saving a full store (50000 records) as a text log and as a
// comma-separated log, taken apart so that each figure says what it measures:
//   BM_Format*      the lines alone, into a device that takes and drops them;
//   BM_Raw*         the ready bytes in one buffered write to a plain file;
//   BM_DurableRaw*  the ready bytes through a save file and its commit (the
//                   data on the disk, then renamed over the target): what a
//                   save costs apart from the formatting;
//   BM_Save*        the save itself: formatting, the writes and the commit.
// The targets: a save within 3x the raw write by CPU, and within 4x by wall
// with the commit included.
#include "datalog/datafiles.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
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

// Takes every byte and keeps none.
class NullDevice : public QIODevice
{
public:
    NullDevice() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override { return length; }
};

static void BM_FormatTextLog(benchmark::State &state)
{
    const std::vector<MeasurementRecord> records = fullStore();
    NullDevice device;
    for (auto _ : state) {
        if (!datafiles::writeTextLog(device, kTitleSave, QStringLiteral("12/9/26"),
                                     QStringLiteral("2:03:09 PM"), records))
            state.SkipWithError("the null device refused");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
}
BENCHMARK(BM_FormatTextLog)->Unit(benchmark::kMillisecond);

static void BM_FormatCsvLog(benchmark::State &state)
{
    const std::vector<MeasurementRecord> records = fullStore();
    NullDevice device;
    for (auto _ : state) {
        if (!datafiles::writeCsvLog(device, records))
            state.SkipWithError("the null device refused");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
}
BENCHMARK(BM_FormatCsvLog)->Unit(benchmark::kMillisecond);

// The ready bytes through a save file, in the chunks a save writes, committed.
static void writeDurable(benchmark::State &state, const QByteArray &bytes, const QString &path)
{
    constexpr qsizetype kChunk = datafiles::kWriteChunkBytes;
    for (auto _ : state) {
        QSaveFile file(path);
        bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        for (qsizetype at = 0; ok && at < bytes.size(); at += kChunk) {
            const qsizetype n = std::min(kChunk, bytes.size() - at);
            ok = file.write(bytes.constData() + at, n) == n;
        }
        if (!ok || !file.commit()) {
            state.SkipWithError(qPrintable(file.errorString()));
            break;
        }
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

static void BM_DurableRawTextLogBytes(benchmark::State &state)
{
    const QByteArray bytes = textLogBytes(fullStore());
    QTemporaryDir dir;
    writeDurable(state, bytes, dir.filePath(QStringLiteral("durable.txt")));
}
BENCHMARK(BM_DurableRawTextLogBytes)->Unit(benchmark::kMillisecond);

static void BM_DurableRawCsvLogBytes(benchmark::State &state)
{
    const QByteArray bytes = csvLogBytes(fullStore());
    QTemporaryDir dir;
    writeDurable(state, bytes, dir.filePath(QStringLiteral("durable.csv")));
}
BENCHMARK(BM_DurableRawCsvLogBytes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
