#include "tools/replayfixture.h"

#include "datalog/datafiles.h"
#include "link/decoder.h"
#include "link/receivepath.h"
#include "platform/pseudoterminal.h"
#include "platform/timetexts.h"
#include "quenvo-log/headlesslogger.h"
#include "virtualmeter/virtualmeter.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace replayfixture;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class HeadlessLoggerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TimeTexts::setClock([] { return kClock; });
        TimeTexts::setLocale(kLocale);
        m_capturePath = path("in.bin");
        ASSERT_TRUE(writeFile(m_capturePath, capture()));
    }
    void TearDown() override
    {
        TimeTexts::setClock({});
        TimeTexts::setLocale(QLocale::system());
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    LoggerOptions replayOptions() const
    {
        LoggerOptions options;
        options.source = LoggerOptions::Source::Replay;
        options.replayFile = m_capturePath;
        return options;
    }

    // A replay into all three outputs: the two logs and a copy of the capture.
    LoggerOptions replayIntoAllOutputs() const
    {
        LoggerOptions options = replayOptions();
        options.csvFile = path("out.csv");
        options.textFile = path("out.txt");
        options.captureFile = path("copy.bin");
        return options;
    }

    // Runs to the end; `whileRunning` may act on the logger once started.
    Outcome run(HeadlessLogger &logger, QBuffer &out, QBuffer &err, int timeoutMs = 20000)
    {
        QSignalSpy finished(&logger, &HeadlessLogger::finished);
        logger.start();
        if (!logger.isFinished()) {
            EXPECT_TRUE(finished.wait(timeoutMs)) << "the logger did not finish";
        }
        EXPECT_EQ(finished.count(), 1);
        return {logger.exitStatus(), out.data(), err.data()};
    }

    Outcome run(const LoggerOptions &options)
    {
        QBuffer out;
        QBuffer err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        HeadlessLogger logger(options, out, err);
        return run(logger, out, err);
    }

    QTemporaryDir m_dir;
    QString m_capturePath;
};

// A live logger on a virtual meter's port, with the meter's frames recorded.
struct LiveRig
{
    explicit LiveRig(LoggerOptions options, VirtualMeterOptions meterOptions = {.intervalMs = 250, .seed = 9})
        : meter(meterOptions)
    {
        EXPECT_TRUE(meter.start()) << meter.errorString().toStdString();
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        options.source = LoggerOptions::Source::Port;
        options.port = meter.portName();
        logger = std::make_unique<HeadlessLogger>(options, out, err);
        QObject::connect(&meter, &VirtualMeter::frameWritten,
                         [this](const MeterFrame &frame, int) { sent.push_back(frame); });
        QObject::connect(logger.get(), &HeadlessLogger::armed, [this] {
            if (sentAtArming < 0)
                sentAtArming = static_cast<int>(sent.size());
        });
        QObject::connect(logger.get(), &HeadlessLogger::readingLogged,
                         [this](const MeasurementRecord &record, const MeterFrame &frame) {
                             numbers.push_back(record.number);
                             logged.push_back(frame);
                         });
    }

    // The logged frames are the meter's, in order and without a gap, from the
    // frame that completed first after arming.
    void expectNoLossAfterArming() const
    {
        ASSERT_GE(sentAtArming, 0);
        ASSERT_FALSE(logged.empty());
        std::size_t first = sent.size();
        for (int k : {sentAtArming, sentAtArming - 1})
            if (k >= 0 && std::size_t(k) + logged.size() <= sent.size() &&
                std::equal(logged.begin(), logged.end(), sent.begin() + k))
                first = std::size_t(k);
        EXPECT_LT(first, sent.size()) << "logged " << logged.size() << " frames, sent " << sent.size()
                                      << ", armed after " << sentAtArming;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], std::int32_t(i + 1));
    }

    VirtualMeter meter;
    QBuffer out;
    QBuffer err;
    std::unique_ptr<HeadlessLogger> logger;
    std::vector<MeterFrame> sent;
    std::vector<MeterFrame> logged;
    std::vector<std::int32_t> numbers;
    int sentAtArming = -1;
};

// Both logs are complete up to reading n: the CSV holds its heading and n
// lines, the text log its title, the empty line and n lines.
void expectLogsEndWithReading(const LoggerOptions &options, int n)
{
    const QList<QByteArray> csv = crlfLines(readFile(options.csvFile));
    ASSERT_EQ(csv.size(), n + 1);
    EXPECT_TRUE(csv.last().startsWith(QByteArray::number(n) + ','));
    const QList<QByteArray> text = crlfLines(readFile(options.textFile));
    ASSERT_EQ(text.size(), n + 2);
    EXPECT_TRUE(text.last().startsWith(' ' + QByteArray::number(n) + ' '));
}

} // namespace

TEST_F(HeadlessLoggerTest, ReplayGivesTheGoldenLogs)
{
    const LoggerOptions options = replayIntoAllOutputs();
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success);
    EXPECT_EQ(outcome.err, QByteArray());
    expectGolden(outcome.out, "log_replay_stdout.txt");
    expectGolden(readFile(options.csvFile), "log_replay.csv");
    expectGolden(readFile(options.textFile), "log_replay.txt");
    EXPECT_EQ(readFile(options.captureFile), capture());
}

TEST_F(HeadlessLoggerTest, TrailingPartialFrameIsReportedAndIgnored)
{
    ASSERT_TRUE(writeFile(m_capturePath, capture() + QByteArray(5, '\x0F')));
    LoggerOptions options = replayOptions();
    options.captureFile = path("copy.bin");
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success);
    expectGolden(outcome.out, "log_replay_stdout.txt");
    EXPECT_TRUE(outcome.err.contains(m_capturePath.toUtf8())) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains("5 bytes")) << outcome.err.toStdString();
    EXPECT_EQ(readFile(options.captureFile), capture());
}

// A replay read and written in batches: every frame once, in order, with
// the captions rule running on across batch boundaries; the standard output
// says what the text log says; a piece of a frame at the end is reported.
TEST_F(HeadlessLoggerTest, ALongReplayLogsEveryFrameOnceInOrder)
{
    constexpr int kRepeats = 50; // 600 frames: batches and a part of one
    QByteArray input;
    for (int i = 0; i < kRepeats; ++i)
        input += capture();
    ASSERT_TRUE(writeFile(m_capturePath, input + QByteArray(3, '\x01')));
    const LoggerOptions options = replayIntoAllOutputs();
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success);
    EXPECT_TRUE(outcome.err.contains("3 bytes")) << outcome.err.toStdString();
    EXPECT_EQ(readFile(options.captureFile), input);
    // The first capture gives the golden log; every later one the same lines
    // but for its first reading, which has no captions of its own and takes
    // those of the reading before it, the last of the capture before.
    const QList<QByteArray> golden = crlfLines(readFile(goldenPath("log_replay.csv")));
    const QList<QByteArray> csv = crlfLines(readFile(options.csvFile));
    const qsizetype perCapture = golden.size() - 1;
    ASSERT_EQ(csv.size(), 1 + kRepeats * perCapture);
    auto withoutNumber = [](const QByteArray &line) { return line.mid(line.indexOf(',')); };
    QList<QByteArray> expected = golden.mid(1);
    expected[0] = QByteArray(",\"Hz%\",777,\"Hz\"") + golden[1].mid(golden[1].indexOf(",\"UNIT\"") + 7);
    ASSERT_TRUE(golden.last().contains(",\"Hz%\",") && golden.last().contains(",\"Hz\","));
    for (qsizetype i = 1; i < csv.size(); ++i) {
        const QByteArray &same = i <= perCapture ? golden[i] : expected[(i - 1) % perCapture];
        ASSERT_EQ(csv[i], QByteArray::number(i) + withoutNumber(same)) << "line " << i;
    }
    QList<QByteArray> text = crlfLines(readFile(options.textFile)).mid(2);
    ASSERT_EQ(text.size(), kRepeats * perCapture);
    QByteArray expectedOut;
    for (const QByteArray &line : text)
        expectedOut += line.chopped(1) + '\n';
    EXPECT_EQ(outcome.out, expectedOut);
}

TEST_F(HeadlessLoggerTest, CountStopsAfterSoManyReadings)
{
    LoggerOptions options = replayOptions();
    options.count = 4;
    options.csvFile = path("out.csv");
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success);
    const QList<QByteArray> allLines = readFile(goldenPath("log_replay_stdout.txt")).split('\n');
    EXPECT_EQ(outcome.out, allLines.mid(0, 4).join('\n') + '\n');
    const QList<QByteArray> csv = crlfLines(readFile(options.csvFile));
    ASSERT_EQ(csv.size(), 5);
    EXPECT_TRUE(csv.last().startsWith("4,"));
}

TEST_F(HeadlessLoggerTest, FileFailuresNameTheFile)
{
    const QString missingFolder = path("no/such/folder/x");
    struct Case
    {
        const char *what;
        QString LoggerOptions::*field;
        QString value;
    };
    const Case cases[] = {
        {"csv in a missing folder", &LoggerOptions::csvFile, missingFolder},
        {"capture in a missing folder", &LoggerOptions::captureFile, missingFolder},
        {"missing replay file", &LoggerOptions::replayFile, path("absent.bin")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoggerOptions options = replayOptions();
        options.*c.field = c.value;
        const Outcome outcome = run(options);
        EXPECT_EQ(outcome.status, HeadlessLogger::RuntimeFailure);
        EXPECT_TRUE(outcome.err.contains(c.value.toUtf8())) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, QByteArray());
    }
}

TEST_F(HeadlessLoggerTest, AnOutputOnTheReplayFileIsRefusedAndTheCaptureKept)
{
    const QString link = path("link.bin");
    ASSERT_TRUE(QFile::link(m_capturePath, link));
    struct Case
    {
        const char *what;
        QString LoggerOptions::*field;
        QString value;
    };
    const Case cases[] = {
        {"capture onto the replay file", &LoggerOptions::captureFile, m_capturePath},
        {"csv through a link to it", &LoggerOptions::csvFile, link},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoggerOptions options = replayOptions();
        options.*c.field = c.value;
        const Outcome outcome = run(options);
        EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
        EXPECT_TRUE(outcome.err.contains(c.value.toUtf8())) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, QByteArray());
        EXPECT_EQ(readFile(m_capturePath), capture());
    }
}

// A standard output that refuses the reading, as a closed pipe does: the
// files already hold it.
TEST_F(HeadlessLoggerTest, AFailingStandardOutputLeavesTheReadingInTheFiles)
{
    LoggerOptions options = replayOptions();
    options.csvFile = path("out.csv");
    options.textFile = path("out.txt");
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::ReadOnly);
    err.open(QIODevice::WriteOnly);
    HeadlessLogger logger(options, out, err);
    const Outcome outcome = run(logger, out, err);

    EXPECT_EQ(outcome.status, HeadlessLogger::RuntimeFailure);
    expectLogsEndWithReading(options, 1);
}

TEST_F(HeadlessLoggerTest, NoReceiverIsAUsageFailureListingThePortsSeen)
{
    LoggerOptions options;
    options.source = LoggerOptions::Source::Lookup;
    options.sysfsRoot = m_dir.path(); // a tree without any tty
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
    EXPECT_TRUE(outcome.err.contains("no meter receiver")) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains("Serial ports seen: none")) << outcome.err.toStdString();
}

TEST_F(HeadlessLoggerTest, UnopenablePortNamesTheDevice)
{
    LoggerOptions options;
    options.source = LoggerOptions::Source::Port;
    options.port = path("ttyNothing");
    options.csvFile = path("out.csv");
    const Outcome outcome = run(options);

    EXPECT_EQ(outcome.status, HeadlessLogger::RuntimeFailure);
    EXPECT_TRUE(outcome.err.contains(options.port.toUtf8())) << outcome.err.toStdString();
    EXPECT_FALSE(QFile::exists(options.csvFile)) << "no file before the source is open";
}

TEST_F(HeadlessLoggerTest, LiveLogsEveryFrameAfterArmingInOrder)
{
    LoggerOptions options;
    options.count = 5;
    options.csvFile = path("out.csv");
    LiveRig rig(options);
    const Outcome outcome = run(*rig.logger, rig.out, rig.err);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success) << outcome.err.toStdString();
    ASSERT_EQ(rig.logged.size(), 5u);
    rig.expectNoLossAfterArming();
    EXPECT_EQ(crlfLines(readFile(options.csvFile)).size(), 6);
    EXPECT_EQ(outcome.out.count('\n'), 5);
    const QList<QByteArray> lines = outcome.out.split('\n');
    for (std::size_t i = 0; i < rig.logged.size(); ++i)
        EXPECT_TRUE(lines.at(qsizetype(i)).contains(decodeMeterFrame(rig.logged[i]).displayText.toUtf8()))
            << lines.at(qsizetype(i)).toStdString();
}

TEST_F(HeadlessLoggerTest, LinkDropFailsWithTheFilesComplete)
{
    LoggerOptions options;
    options.csvFile = path("out.csv");
    options.textFile = path("out.txt");
    LiveRig rig(options);
    QObject::connect(rig.logger.get(), &HeadlessLogger::readingLogged, [&rig] {
        if (rig.logged.size() == 3)
            rig.meter.unplug();
    });
    const Outcome outcome = run(*rig.logger, rig.out, rig.err);

    EXPECT_EQ(outcome.status, HeadlessLogger::RuntimeFailure);
    EXPECT_TRUE(outcome.err.contains(rig.meter.portName().toUtf8())) << outcome.err.toStdString();
    rig.expectNoLossAfterArming();
    expectLogsEndWithReading(options, 3);
}

TEST_F(HeadlessLoggerTest, StopEndsADemoWithTheFilesComplete)
{
    LoggerOptions options;
    options.source = LoggerOptions::Source::Demo;
    options.demo.intervalMs = 250;
    options.csvFile = path("out.csv");
    options.textFile = path("out.txt");
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    HeadlessLogger logger(options, out, err);
    QObject::connect(&logger, &HeadlessLogger::readingLogged, &logger,
                     [&logger](const MeasurementRecord &record) {
                         if (record.number == 2)
                             logger.stop();
                     });
    const Outcome outcome = run(logger, out, err);

    EXPECT_EQ(outcome.status, HeadlessLogger::Success) << outcome.err.toStdString();
    EXPECT_TRUE(logger.devicePath().startsWith(QStringLiteral("/dev/")));
    EXPECT_EQ(crlfLines(readFile(options.csvFile)).size(), 3);
    const QList<QByteArray> text = crlfLines(readFile(options.textFile));
    ASSERT_EQ(text.size(), 4);
    EXPECT_EQ(text.at(1), QByteArray("\r"));
    EXPECT_TRUE(text.at(0).startsWith(kTitleSave.toUtf8()));
    EXPECT_EQ(outcome.out.count('\n'), 2);
}

TEST_F(HeadlessLoggerTest, DurationEndsTheRun)
{
    LoggerOptions options;
    options.source = LoggerOptions::Source::Demo;
    options.durationMs = 1500;
    const Outcome outcome = run(options);
    EXPECT_EQ(outcome.status, HeadlessLogger::Success) << outcome.err.toStdString();

    // Over before the first reading: a run that heard nothing fails, and says so.
    options.durationMs = 200;
    const Outcome silent = run(options);
    EXPECT_EQ(silent.status, HeadlessLogger::RuntimeFailure);
    EXPECT_TRUE(silent.err.contains("no reading was received from /dev/pts/")) << silent.err.toStdString();
}

// Bytes written by hand to a pseudo-terminal: a partial frame before arming,
// then a good frame, then a frame with trailing bytes, then a good frame.
TEST_F(HeadlessLoggerTest, OnlyWholeFramesAfterAQuietTickAreLogged)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isValid()) << pty.errorString().toStdString();
    auto bytesOf = [](const MeterFrame &f) {
        const auto encoded = encodeMeterFrame(f, 99);
        return QByteArray(reinterpret_cast<const char *>(encoded.data()), kMeterFrameSize);
    };
    const MeterFrame good1 = frame(1, 0, 2, 11111);
    const MeterFrame spoiled = frame(1, 0, 2, 22222);
    const MeterFrame good2 = frame(1, 0, 2, 33333);

    LoggerOptions options;
    options.source = LoggerOptions::Source::Port;
    options.port = pty.slavePath();
    options.count = 3;
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    HeadlessLogger logger(options, out, err);
    QSignalSpy armed(&logger, &HeadlessLogger::armed);
    QSignalSpy logged(&logger, &HeadlessLogger::readingLogged);
    QSignalSpy finished(&logger, &HeadlessLogger::finished);
    logger.start();
    ASSERT_FALSE(logger.isFinished()) << err.data().toStdString();

    // The tail of a frame whose start was missed: discarded by the watchdog.
    pty.write(bytesOf(good1).right(5));
    ASSERT_TRUE(armed.wait(5000));
    pty.write(bytesOf(good1));
    ASSERT_TRUE(logged.wait(5000));

    // A frame with trailing bytes in one burst: the frame is whole and
    // taken; the trailing bytes wait through the pause and are dropped when
    // the next frame comes, which starts clean.
    pty.write(bytesOf(spoiled) + bytesOf(good1).left(6));
    ASSERT_TRUE(logged.wait(5000));
    QTest::qWait(int(ReceivePath::kFrameGapMs) * 2);
    pty.write(bytesOf(good2));
    ASSERT_TRUE(finished.count() == 1 || finished.wait(5000));

    EXPECT_EQ(logger.exitStatus(), HeadlessLogger::Success) << err.data().toStdString();
    ASSERT_EQ(logged.count(), 3);
    EXPECT_EQ(logged.at(0).at(1).value<MeterFrame>(), good1);
    EXPECT_EQ(logged.at(1).at(1).value<MeterFrame>(), spoiled);
    EXPECT_EQ(logged.at(2).at(1).value<MeterFrame>(), good2);
    EXPECT_EQ(logged.at(2).at(0).value<MeasurementRecord>().number, 3);
    EXPECT_EQ(armed.count(), 1); // armed once; the pause re-synchronised
}
