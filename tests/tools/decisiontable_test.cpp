// The whole decoding table, replayed through quenvo-log: every function code,
// sub-mode and range index, each with an in-range and an over-range count,
// compared byte for byte with reviewed logs (tests/data/decisiontable_replay.*).
#include "tools/replayfixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace replayfixture;

namespace {

// 16 codes x 4 sub-modes x 8 ranges. Per combination: 1234 (within every
// row's limit, so the decimal point position shows in "01234"), then 65535
// (over every limit; unscaled where no range row applies). Sub-mode 0 also
// gets 12345, which is over range only in the rows with a small limit.
// Annunciators and coupling must not reach the logs: acPlusDc on odd ranges,
// hold on range 2, rel on range 5.
std::vector<MeterFrame> tableFrames()
{
    std::vector<MeterFrame> frames;
    for (int function = 0; function < 16; ++function) {
        for (int subMode = 0; subMode < 4; ++subMode) {
            for (int range = 0; range < 8; ++range) {
                std::vector<int> counts{1234, 65535};
                if (subMode == 0)
                    counts.push_back(12345);
                for (int count : counts) {
                    MeterFrame f = frame(function, subMode, range, count);
                    f.acPlusDc = range % 2 == 1;
                    f.hold = range == 2;
                    f.rel = range == 5;
                    frames.push_back(f);
                }
            }
        }
    }
    // Negative readings: in range, over range (the clamp keeps the sign), and
    // without a range row.
    frames.push_back(frame(0, 0, 0, 12345, true)); // -123.45 mV
    frames.push_back(frame(1, 0, 2, 1234, true));  // -01.234 V
    frames.push_back(frame(3, 0, 1, 1234, true));  // -0.1234 kOhm
    frames.push_back(frame(4, 0, 0, 1234, true));  // -0123.4 C
    frames.push_back(frame(9, 0, 2, 1234, true));  // -01.234 V
    frames.push_back(frame(0, 0, 0, 65535, true)); // .OL, -400
    frames.push_back(frame(3, 1, 0, 65535, true)); // .OL, -2.7 (diode)
    frames.push_back(frame(12, 0, 0, 1234, true)); // -01234, no row
    return frames;
}

QByteArray tableCapture()
{
    QByteArray bytes;
    std::uint64_t noise = 1;
    for (const MeterFrame &f : tableFrames()) {
        const auto encoded = encodeMeterFrame(f, noise++);
        bytes.append(reinterpret_cast<const char *>(encoded.data()), kMeterFrameSize);
    }
    return bytes;
}

// Record line n of a log (1-based): the text log has a title and an empty line first.
QByteArray textRecord(const QList<QByteArray> &lines, int n)
{
    return lines.value(n + 1);
}
// The data item of a text log record line. A long function caption pushes it
// to a later zone; no item of this capture is empty or holds a space.
QByteArray textData(const QList<QByteArray> &lines, int n)
{
    return textRecord(lines, n).simplified().split(' ').value(2);
}
QByteArray csvRecord(const QList<QByteArray> &lines, int n)
{
    return lines.value(n);
}

// Index (1-based record number) of the first frame with these fields.
int recordOf(int function, int subMode, int range, int count, bool negative = false)
{
    const std::vector<MeterFrame> frames = tableFrames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const MeterFrame &f = frames[i];
        if (f.functionCode == function && f.subMode == subMode && f.rangeIndex == range &&
            f.displayCount == count && f.negative == negative)
            return static_cast<int>(i + 1);
    }
    ADD_FAILURE() << "no such frame in the capture";
    return 0;
}

class DecisionTableReplay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString capture = m_dir.filePath(QStringLiteral("table.bin"));
        ASSERT_TRUE(writeFile(capture, tableCapture()));
        const QString csv = m_dir.filePath(QStringLiteral("table.csv"));
        const QString text = m_dir.filePath(QStringLiteral("table.txt"));

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUENVO_LOG_CLOCK"), QLatin1String(kClockIso));
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(kLocaleName));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUENVO_LOG_BINARY), {"--replay", capture, "--csv", csv, "--text", text});
        ASSERT_TRUE(process.waitForFinished(60000)) << "quenvo-log did not end";
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        m_stdout = process.readAllStandardOutput();
        m_csv = readFile(csv);
        m_text = readFile(text);
    }

    QTemporaryDir m_dir;
    QByteArray m_stdout;
    QByteArray m_csv;
    QByteArray m_text;
};

} // namespace

TEST_F(DecisionTableReplay, LogsMatchTheReviewedFiles)
{
    expectGolden(m_csv, "decisiontable_replay.csv");
    expectGolden(m_text, "decisiontable_replay.txt");

    const auto records = static_cast<qsizetype>(tableFrames().size());
    EXPECT_EQ(crlfLines(m_csv).size(), records + 1);
    EXPECT_EQ(crlfLines(m_text).size(), records + 2);
    // Standard output repeats the text log's record lines, LF-terminated.
    QByteArray textRecords = m_text.mid(m_text.indexOf("\r\n\r\n") + 4);
    textRecords.replace("\r\n", "\n");
    EXPECT_EQ(m_stdout, textRecords);
}

TEST_F(DecisionTableReplay, SpotChecks)
{
    const QList<QByteArray> text = crlfLines(m_text);
    const QList<QByteArray> csv = crlfLines(m_csv);

    // Resistance 4 kOhm range: four decimals, the unit with the ohm sign.
    int n = recordOf(3, 0, 1, 1234);
    EXPECT_EQ(textData(text, n), "0.1234");
    EXPECT_TRUE(textRecord(text, n).contains("KΩ"));
    EXPECT_TRUE(csvRecord(csv, n).contains(",.1234,\"KΩ\","));

    // Over range: ".OL" in the text log, the row's clamp value in the CSV.
    n = recordOf(0, 0, 0, 65535);
    EXPECT_EQ(textData(text, n), ".OL");
    EXPECT_TRUE(csvRecord(csv, n).contains(",400,\"mV\","));
    n = recordOf(3, 1, 0, 65535, true);
    EXPECT_EQ(textData(text, n), ".OL");
    EXPECT_TRUE(csvRecord(csv, n).contains(",-2.7,\"V\","));

    // Temperature clamps at its limit, 1200 C, not at its full scale of 1000.
    n = recordOf(4, 0, 0, 12345);
    EXPECT_EQ(textData(text, n), ".OL");
    EXPECT_TRUE(csvRecord(csv, n).contains(",1200,\"C\","));

    // Function 9 reads on the voltage ranges, with their limits.
    n = recordOf(9, 0, 2, 65535);
    EXPECT_EQ(textData(text, n), ".OL");
    EXPECT_TRUE(csvRecord(csv, n).contains(",40,\"V\","));

    // No range row: the five digits without a point, the unscaled count, and
    // the captions of the reading before.
    n = recordOf(12, 0, 0, 1234, true);
    EXPECT_EQ(textData(text, n), "-01234");
    EXPECT_TRUE(csvRecord(csv, n).startsWith(QByteArray::number(n) + ",\"R/DIODE/BEEP/CAP\",-1234,\"V\","));
}
