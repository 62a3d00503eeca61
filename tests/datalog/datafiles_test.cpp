// Text log and comma-separated log: line layout, value form, golden files and
// the stream writers' handling of a device that stops accepting data.
#include "datafilessamples.h"
#include "datalog/datafiles.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace datafiles;

namespace {

// One line as text, without its CR LF.
QString lineText(const QByteArray &line)
{
    EXPECT_TRUE(line.endsWith("\r\n")) << line.constData();
    return QString::fromUtf8(line.chopped(2));
}

// 1-based column at which `item` starts in `line`, 0 if absent.
qsizetype columnOf(const QString &line, const QString &item, qsizetype from = 0)
{
    return line.indexOf(item, from) + 1;
}

MeasurementRecord oneRecord()
{
    MeasurementRecord r;
    r.number = 1;
    r.value = 12.345;
    r.function = QStringLiteral("VDC");
    r.data = QStringLiteral("12.345");
    r.unit = QStringLiteral("V");
    r.time = QStringLiteral("2024-5-17\\4:03:09"); // 17 characters
    return r;
}

QByteArray textLogOf(std::span<const MeasurementRecord> records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(writeTextLog(buffer, kTitleSave, kGoldenDate, kGoldenTime, records));
    return buffer.data();
}

QByteArray csvLogOf(std::span<const MeasurementRecord> records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(writeCsvLog(buffer, records));
    return buffer.data();
}

} // namespace

TEST(TextLogLayout, RecordItemsStartAtZoneStarts)
{
    const QString line = lineText(textRecordLine(oneRecord()));
    EXPECT_EQ(line.left(3), QStringLiteral(" 1 "));
    EXPECT_EQ(columnOf(line, QStringLiteral("VDC")), 15);
    EXPECT_EQ(columnOf(line, QStringLiteral("12.345")), 29);
    EXPECT_EQ(columnOf(line, QStringLiteral("V"), 30), 43);
    EXPECT_EQ(columnOf(line, QStringLiteral("2024-5-17\\4:03:09")), 57);
    EXPECT_EQ(line.size(), 56 + 17) << "no trailing spaces after the last item";
}

TEST(TextLogLayout, TitleLinePlacesDateAndTime)
{
    for (const QString &title : {kTitleSave, kTitleShutdown}) {
        const QString line =
            lineText(textTitleLine(title, QStringLiteral("2024-5-17"), QStringLiteral("14:03:09")));
        EXPECT_TRUE(line.startsWith(title + u' '));
        EXPECT_EQ(columnOf(line, QStringLiteral("2024-5-17")), 29) << title.toStdString();
        EXPECT_EQ(line.mid(37, 5), QString(5, u' ')) << "9-character date, then five spaces";
        EXPECT_EQ(columnOf(line, QStringLiteral("14:03:09")), 43);
        EXPECT_TRUE(line.endsWith(QStringLiteral("14:03:09")));
    }
    EXPECT_EQ(kTitleSave, QStringLiteral("Quenvo  Data Logger"));
    EXPECT_EQ(kTitleShutdown, QStringLiteral("Quenvo Data Logger"));
}

// Where the data item lands after a function item of a given length: an item
// always keeps at least one blank column before the next zone it uses, and an
// empty item still takes its zone.
TEST(TextLogLayout, LongAndEmptyItemsMoveToTheNextFreeZone)
{
    const struct
    {
        int functionLength;
        qsizetype dataColumn;
    } cases[] = {{0, 29}, {1, 29}, {13, 29}, {14, 43}, {15, 43}, {27, 43}, {28, 57}, {41, 57}, {42, 71}};
    for (const auto &c : cases) {
        MeasurementRecord r = oneRecord();
        r.function = QString(c.functionLength, u'F');
        r.data = QStringLiteral("#data");
        const QString line = lineText(textRecordLine(r));
        EXPECT_EQ(columnOf(line, r.data), c.dataColumn) << "function length " << c.functionLength;
    }
}

TEST(TextLogLayout, NumberItemIsSpaceDigitsSpace)
{
    for (std::int32_t number : {1, 42, 50000, std::numeric_limits<std::int32_t>::max()}) {
        MeasurementRecord r = oneRecord();
        r.number = number;
        const QString line = lineText(textRecordLine(r));
        const QString item = u' ' + QString::number(number) + u' ';
        EXPECT_TRUE(line.startsWith(item)) << number;
        EXPECT_EQ(columnOf(line, QStringLiteral("VDC")), 15) << number;
    }
}

TEST(TextLogLayout, ColumnsCountCharactersNotBytes)
{
    MeasurementRecord r = oneRecord();
    r.unit = QStringLiteral("KΩ");
    r.function = QStringLiteral("ΩΩΩΩΩΩΩΩΩΩΩΩΩ"); // 13 characters, 26 bytes
    const QByteArray bytes = textRecordLine(r);
    const QString line = lineText(bytes);
    EXPECT_EQ(columnOf(line, QStringLiteral("12.345")), 29);
    EXPECT_EQ(columnOf(line, r.time), 57);
    EXPECT_TRUE(bytes.contains("K\xCE\xA9")) << "UTF-8 ohm sign";
}

TEST(CsvLog, HeaderAndRecordLines)
{
    EXPECT_EQ(csvHeaderLine(), QByteArray("\"NO.\",\"FUN\",\"DATA\",\"UNIT\",\"TIME\"\r\n"));
    EXPECT_EQ(csvRecordLine(oneRecord()), QByteArray("1,\"VDC\",12.345,\"V\",\"2024-5-17\\4:03:09\"\r\n"));

    MeasurementRecord overRange = oneRecord();
    overRange.number = 12;
    overRange.function.clear();
    overRange.data = QStringLiteral(".OL");
    overRange.value = -400.0;
    overRange.unit = QStringLiteral("mV");
    EXPECT_EQ(csvRecordLine(overRange), QByteArray("12,\"\",-400,\"mV\",\"2024-5-17\\4:03:09\"\r\n"))
        << "clamp value, not the display text; empty function as an empty quoted field";
}

TEST(CsvLog, ValueForm)
{
    const struct
    {
        double value;
        const char *text;
    } cases[] = {
        {0.5, ".5"},
        {-0.012, "-.012"},
        {-123.45, "-123.45"},
        {400.0, "400"},
        {-400.0, "-400"},
        {0.0, "0"},
        {-0.0, "0"},
        {12.345, "12.345"},
        {3999.9, "3999.9"},
        {0.0001, ".0001"},
        {0.00001, ".00001"},
        {0.1 + 0.2, ".3"},
        {1.0 / 3.0, ".333333333333333"},
        {-2.0 / 3.0, "-.666666666666667"},
        {0.9999999999999999, "1"},
        {4000.0, "4000"},
        {1e15, "1000000000000000"},
        {123456789012345678.0, "123456789012346000"},
        {1e-20, ".00000000000000000001"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(csvValue(c.value), QByteArray(c.text)) << "value " << c.value;
}

TEST(CsvLog, ValueIgnoresTheUserLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray text = csvValue(-1234.5);
    QLocale::setDefault(previous);
    EXPECT_EQ(text, QByteArray("-1234.5"));
}

TEST(DataFileWriters, MatchGoldenFiles)
{
    const std::vector<MeasurementRecord> records = goldenRecords();
    const QByteArray text = readGolden("datafiles_log.txt");
    const QByteArray csv = readGolden("datafiles_log.csv");
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(csv.isEmpty());
    EXPECT_EQ(textLogOf(records), text);
    EXPECT_EQ(csvLogOf(records), csv);
}

TEST(DataFileWriters, EmptyStoreWritesOnlyTheHeadLines)
{
    EXPECT_EQ(textLogOf({}), textTitleLine(kTitleSave, kGoldenDate, kGoldenTime) + "\r\n");
    EXPECT_EQ(csvLogOf({}), csvHeaderLine());
}

TEST(DataFileWriters, EveryLineEndsWithCrLfAndNothingIsLost)
{
    const std::vector<MeasurementRecord> records = manyRecords(3000);
    const QByteArray text = textLogOf(records);
    const QByteArray csv = csvLogOf(records);
    EXPECT_EQ(text.count("\r\n"), 3000 + 2);
    EXPECT_EQ(csv.count("\r\n"), 3000 + 1);
    EXPECT_EQ(text.count('\n'), text.count("\r\n")) << "no bare line feeds";
    EXPECT_TRUE(text.endsWith(textRecordLine(records.back())));
    EXPECT_TRUE(csv.endsWith(csvRecordLine(records.back())));
    EXPECT_FALSE(text.contains(" \r\n")) << "no trailing spaces";
}

namespace {

// Accepts `capacity` bytes: the write that reaches the capacity keeps what
// fits and reports that count; every later write fails with "No space left on
// device" or, with `silent`, reports that it took nothing and sets no error.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity, bool silent = false) : m_capacity(capacity), m_silent(silent)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    QByteArray accepted;
    int writesAfterFailure = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (m_failed) {
            ++writesAfterFailure;
            return m_silent ? 0 : -1;
        }
        const qint64 taken = std::min(length, m_capacity - accepted.size());
        accepted.append(data, taken);
        if (taken > 0)
            return taken;
        m_failed = true;
        if (m_silent)
            return 0;
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }

private:
    qint64 m_capacity = 0;
    bool m_silent = false;
    bool m_failed = false;
};

} // namespace

TEST(DataFileWriters, StopAtTheFirstFailedWriteAndReportIt)
{
    const std::vector<MeasurementRecord> records = manyRecords(int(3 * kWriteChunkBytes / 50));
    const QByteArray fullText = textLogOf(records);
    const QByteArray fullCsv = csvLogOf(records);
    ASSERT_GT(fullText.size(), 2 * kWriteChunkBytes) << "spans several chunks";
    ASSERT_GT(fullCsv.size(), 2 * kWriteChunkBytes) << "spans several chunks";

    const QString expected = QStringLiteral("No space left on device");
    const QString silentReason = QStringLiteral("Not all data could be written");
    const struct
    {
        qint64 capacity;
        bool silent;
    } cases[] = {
        {0, false},  {100, false}, {kWriteChunkBytes - 1, false}, {kWriteChunkBytes + 10, false}, {-1, false},
        {100, true}, {-1, true}};
    for (const auto &c : cases) {
        for (bool csv : {false, true}) {
            const QByteArray &full = csv ? fullCsv : fullText;
            const qint64 capacity = c.capacity < 0 ? full.size() - 1 : c.capacity;
            FailingDevice device(capacity, c.silent);
            const WriteResult result =
                csv ? writeCsvLog(device, records)
                    : writeTextLog(device, kTitleSave, kGoldenDate, kGoldenTime, records);
            SCOPED_TRACE(testing::Message() << "capacity " << capacity << (csv ? " csv" : " text")
                                            << (c.silent ? " silent" : ""));
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.reason, c.silent ? silentReason : expected);
            EXPECT_EQ(device.writesAfterFailure, 0);
            EXPECT_TRUE(full.startsWith(device.accepted));
        }
    }
}

TEST(DataFileWriters, SucceedWhenTheDeviceTakesExactlyEverything)
{
    const std::vector<MeasurementRecord> records = manyRecords(2000);
    const QByteArray full = textLogOf(records);
    FailingDevice device(full.size());
    EXPECT_TRUE(writeTextLog(device, kTitleSave, kGoldenDate, kGoldenTime, records));
    EXPECT_EQ(device.accepted, full);
}

// A file on a full disk: small logs sit in the file's buffer until the end,
// so the failure only shows when the writer flushes it.
TEST(DataFileWriters, ReportAFullDiskOnAFile)
{
    for (int count : {1, 2000}) {
        const std::vector<MeasurementRecord> records = manyRecords(count);
        for (bool csv : {false, true}) {
            QFile full(QStringLiteral("/dev/full"));
            if (!full.open(QIODevice::WriteOnly))
                GTEST_SKIP() << "/dev/full is not available";
            const WriteResult result =
                csv ? writeCsvLog(full, records)
                    : writeTextLog(full, kTitleSave, kGoldenDate, kGoldenTime, records);
            EXPECT_FALSE(result.ok) << count << (csv ? " csv" : " text");
            EXPECT_EQ(result.reason, QStringLiteral("No space left on device"));
        }
    }
}

namespace {

// The zone rule read plainly: items laid out as a QString, converted once.
QByteArray zoneLineReference(const QStringList &items)
{
    QString line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += QString((line.size() / 14 + 1) * 14 - line.size(), u' ');
        line += items[i];
    }
    return line.toUtf8() + "\r\n";
}

// The value form read plainly, from the C library's rounding to 15 digits.
QByteArray csvValueReference(double value)
{
    if (value == 0.0)
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const QByteArray text(buffer);
    const qsizetype e = text.indexOf('e');
    QByteArray digits = text.left(e).replace(".", "");
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    const qsizetype intDigits = text.mid(e + 1).toInt() + 1;
    QByteArray out = value < 0 ? "-" : "";
    if (intDigits <= 0)
        out += '.' + QByteArray(-intDigits, '0') + digits;
    else if (intDigits >= digits.size())
        out += digits + QByteArray(intDigits - digits.size(), '0');
    else
        out += digits.left(intDigits) + '.' + digits.mid(intDigits);
    return out;
}

} // namespace

// Item texts that take every branch of the UTF-8 conversion: runs of ASCII
// longer and shorter than a block, two- and three-byte characters inside and
// at the edge of a run, surrogate pairs (two columns each) and stray halves.
TEST(DataFileLines, ByteForByteTheLayoutRuleWhateverTheTexts)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("VDC"),
        QStringLiteral("R/DIODE/BEEP/CAP"),
        QStringLiteral("ABCDEFGΩHIJKLMNOPQ"),
        QStringLiteral("ΩABCDEFGHIJKLMNOP"),
        QStringLiteral("ABCDEFGHIJKLMNOΩ"),
        QStringLiteral("温度 12345678 温度"),
        QStringLiteral("12/9/26\\2:03:09\u202FPM"),
        QString::fromUtf16(u"ab\U0001F600cdefghijk"),
        QString::fromUtf16(u"abcdefgh\xD83D"),
        QString::fromUtf16(u"\xDE00xyz"),
        QString(29, u'x'),
    };
    for (const QString &function : texts) {
        for (const QString &other : texts) {
            MeasurementRecord r = oneRecord();
            r.number = 12345;
            r.function = function;
            r.unit = other;
            r.time = other + function;
            SCOPED_TRACE(testing::Message() << function.toStdString() << " / " << other.toStdString());
            EXPECT_EQ(textRecordLine(r),
                      zoneLineReference({QStringLiteral(" 12345 "), r.function, r.data, r.unit, r.time}));
            EXPECT_EQ(csvRecordLine(r), "12345,\"" + function.toUtf8() + "\",12.345,\"" + other.toUtf8() +
                                            "\",\"" + r.time.toUtf8() + "\"\r\n");
            QByteArray appended = "before";
            appendTextRecordLine(appended, r);
            EXPECT_EQ(appended, "before" + textRecordLine(r));
        }
        EXPECT_EQ(textTitleLine(function, kGoldenDate, function),
                  zoneLineReference({function, kGoldenDate, function}));
    }
}

// Every value a reading can have (a count over a power of ten, either sign)
// and values just beside such decimals, or far from any.
TEST(DataFileLines, CsvValueAgreesWithPlainRounding)
{
    for (int count = 0; count <= 0xFFFF; ++count) {
        for (double power : {1.0, 10.0, 100.0, 1000.0, 10000.0}) {
            const double value = count / power;
            ASSERT_EQ(csvValue(value), csvValueReference(value)) << count << " / " << power;
            ASSERT_EQ(csvValue(-value), csvValueReference(-value)) << -count << " / " << power;
        }
    }
    std::uint64_t bits = 0x3FF0000000000001ull;
    for (int i = 0; i < 20000; ++i) {
        bits = bits * 6364136223846793005ull + 1442695040888963407ull;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        const double near = std::nextafter(12.345, i % 2 ? 1e9 : -1e9);
        for (double v : {value, near, std::nextafter(0.5, 1.0), 123456789012345.0, 999999999999999.5,
                         1e-7 * (i + 1), 0.1 + i}) {
            ASSERT_EQ(csvValue(v), csvValueReference(v)) << std::hexfloat << v;
        }
    }
}

// Values at every number of decimal places a value can be written with
// directly (up to six), either side of the largest magnitude written that
// way, and decimals with seven places, which take the general conversion.
TEST(DataFileLines, CsvValueAgreesWithPlainRoundingAtEveryScale)
{
    for (int count = 1; count <= 40000; count += 7) {
        for (double power : {1e5, 1e6, 1e7, 1e8}) {
            const double value = count / power;
            ASSERT_EQ(csvValue(value), csvValueReference(value)) << count << " / " << power;
            ASSERT_EQ(csvValue(-value), csvValueReference(-value)) << -count << " / " << power;
        }
        for (double base : {1e8, 1e9, 1e10}) {
            for (double value : {base + count / 1e6, base - count / 1e6, base + count, base - count / 7.0}) {
                ASSERT_EQ(csvValue(value), csvValueReference(value)) << std::hexfloat << value;
            }
        }
    }
    for (double value : {999999999.999999, 1e9, 999999999.9999995, 0.000001, 0.0000005, 0.0000015,
                         1234.5678905, 9999.999999, 10000.000001, 99999999.5, 1e-6 * 3}) {
        EXPECT_EQ(csvValue(value), csvValueReference(value)) << std::hexfloat << value;
    }
}

// A whole log gives the bytes of its lines written one by one, whatever the
// captions repeat or change and however the record numbers run: shared and
// separate strings, texts of one length at one address, more captions than
// are kept, captions too long to keep, numbers that gain a digit, jump, go
// back, are negative or the largest there is.
TEST(DataFileLines, CsvLogIsItsLinesWhateverRepeats)
{
    static const char16_t rawCaption[] = u"VAC/HZ/%";
    const QString shared[] = {QStringLiteral("VDC"),
                              QStringLiteral("mV"),
                              QStringLiteral("KΩ"),
                              QString(),
                              QStringLiteral("Hz"),
                              QString(30, u'W'),
                              QStringLiteral("温度"),
                              QString::fromRawData(reinterpret_cast<const QChar *>(rawCaption), 3),
                              QString::fromRawData(reinterpret_cast<const QChar *>(rawCaption), 8)};
    const std::int32_t numbers[] = {
        1, 2,  9,  10, 99, 100,        101,        999999,          1000000,     7,  8,
        8, -5, -4, 0,  1,  2147483646, 2147483647, -2147483647 - 1, -2147483647, 41, 42};
    std::vector<MeasurementRecord> records;
    for (std::size_t i = 0; i < 200; ++i) {
        MeasurementRecord r = oneRecord();
        r.number = numbers[i % std::size(numbers)];
        r.value = (static_cast<int>(i * 37 % 101) - 50) / 8.0;
        r.function = i % 7 < 3 ? shared[0] : shared[(i * 5) % std::size(shared)];
        // Alternately the shared string and a separate one with the same text.
        const QString &unit = shared[(i / 2) % std::size(shared)];
        r.unit = i % 3 == 0 ? QString(unit.constData(), unit.size()) : unit;
        r.time = i % 4 == 0 ? shared[i % std::size(shared)] : QStringLiteral("12/9/26\\2:03:%1 PM").arg(i);
        records.push_back(r);
    }
    QByteArray expected = csvHeaderLine();
    for (const MeasurementRecord &r : records) {
        expected += csvRecordLine(r);
        ASSERT_TRUE(
            csvRecordLine(r).startsWith(QByteArray::number(r.number) + ",\"" + r.function.toUtf8() + "\","));
    }
    EXPECT_EQ(csvLogOf(records), expected);
}
