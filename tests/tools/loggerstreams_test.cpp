// The quenvo-log program behind a standard output nobody reads, and stopped
// by a signal in the middle of a long replay: the files get every reading and
// the signal is served at once.
#include "tools/replayfixture.h"

#include "platform/pseudoterminal.h"
#include "quenvo-log/consoleout.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace replayfixture;

namespace {

class LoggerStreams : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUENVO_LOG_CLOCK"), QLatin1String(kClockIso));
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(kLocaleName));
        m_process.setProcessEnvironment(env);
        m_process.setProgram(QStringLiteral(QUENVO_LOG_BINARY));
    }
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        for (int fd : m_pipe)
            if (fd >= 0)
                ::close(fd);
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // The program's standard output becomes a pipe of 4 KiB that nobody reads.
    void stallStandardOutput()
    {
        ASSERT_EQ(::pipe2(m_pipe, O_CLOEXEC), 0);
        ::fcntl(m_pipe[1], F_SETPIPE_SZ, 4096);
        const int writeEnd = m_pipe[1];
        m_process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    }

    // Milliseconds from `signalNumber` to the program's end.
    qint64 timeToEnd(int signalNumber)
    {
        QElapsedTimer clock;
        clock.start();
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
        EXPECT_TRUE(m_process.waitForFinished(30000)) << "the signal was not served";
        return clock.elapsed();
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_pipe[2] = {-1, -1};
};

qsizetype linesIn(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
}

} // namespace

// 200 readings arrive while the standard output is a full pipe: all of them
// reach both files as they come, and SIGTERM ends the program at once, saying
// how many console lines were dropped.
TEST_F(LoggerStreams, AStalledStandardOutputHoldsNothingBack)
{
    constexpr int kReadings = 200;
    PseudoTerminal meter;
    ASSERT_TRUE(meter.isValid()) << meter.errorString().toStdString();
    stallStandardOutput();
    const QString csv = path("out.csv");
    const QString text = path("out.txt");
    m_process.setArguments({"--port", meter.slavePath(), "--csv", csv, "--text", text});
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    // The line stays quiet until the logger has armed its reception.
    ASSERT_TRUE(QTest::qWaitFor([&] { return linesIn(text) == 2; }, 5000));
    QTest::qWait(400);

    int logged = 0;
    for (int i = 0; i < kReadings; ++i) {
        const auto encoded = encodeMeterFrame(testframes::frame(1, 0, 2, 10000 + i), std::uint64_t(i));
        meter.write(QByteArray(reinterpret_cast<const char *>(encoded.data()), kMeterFrameSize));
        if (!QTest::qWaitFor([&] { return linesIn(csv) == i + 2; }, 2000))
            break;
        logged = i + 1;
    }
    EXPECT_EQ(logged, kReadings) << "the files stopped with the standard output";
    EXPECT_EQ(linesIn(text), kReadings + 2);

    const qint64 ms = timeToEnd(SIGTERM);
    std::printf("[  MEASURE ] SIGTERM served in %lld ms with the standard output stalled\n",
                static_cast<long long>(ms));
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    const QByteArray err = m_process.readAllStandardError();
    EXPECT_TRUE(err.contains("lines of the standard output were dropped")) << err.toStdString();
}

// SIGINT in the middle of a long replay ends it at once, with both files
// complete up to the last reading logged.
TEST_F(LoggerStreams, SigintStopsALongReplayAtOnce)
{
    QByteArray big;
    const QByteArray one = capture();
    constexpr int kRepeats = 100000; // 1.2 million frames, 16.8 MB
    big.reserve(one.size() * kRepeats);
    for (int i = 0; i < kRepeats; ++i)
        big += one;
    const QString input = path("big.bin");
    ASSERT_TRUE(writeFile(input, big));
    big.clear();
    const QString csv = path("out.csv");
    const QString text = path("out.txt");
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setArguments({"--replay", input, "--csv", csv, "--text", text});
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(csv).size() > 200000; }, 20000));

    const qint64 ms = timeToEnd(SIGINT);
    std::printf("[  MEASURE ] SIGINT served in %lld ms during a replay\n", static_cast<long long>(ms));
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    const QList<QByteArray> csvLines = crlfLines(readFile(csv));
    const QList<QByteArray> textLines = crlfLines(readFile(text));
    EXPECT_EQ(textLines.size(), csvLines.size() + 1);
    EXPECT_LT(csvLines.size(), 12 * kRepeats) << "the replay ran to its end";
    EXPECT_TRUE(csvLines.last().startsWith(QByteArray::number(csvLines.size() - 1) + ','));
}

// A replay read by a slow reader waits for it: every line reaches the
// standard output, none is dropped.
TEST_F(LoggerStreams, AReplayWaitsForASlowReader)
{
    constexpr int kRepeats = 2000; // 24000 readings, about 1.7 MB of lines
    QByteArray big;
    for (int i = 0; i < kRepeats; ++i)
        big += capture();
    const QString input = path("big.bin");
    ASSERT_TRUE(writeFile(input, big));
    stallStandardOutput();
    m_process.setArguments({"--replay", input, "--csv", path("out.csv")});
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    ::close(m_pipe[1]);
    m_pipe[1] = -1;
    ::fcntl(m_pipe[0], F_SETFL, O_NONBLOCK);

    QByteArray out;
    char buffer[4096];
    while (m_process.state() != QProcess::NotRunning || out.isEmpty()) {
        const ssize_t n = ::read(m_pipe[0], buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, n);
        else if (n == 0)
            break;
        QTest::qWait(1); // about 4 MB/s at most
    }
    for (ssize_t n; (n = ::read(m_pipe[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ASSERT_TRUE(m_process.waitForFinished(30000));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_EQ(out.count('\n'), 12 * kRepeats);
    EXPECT_EQ(m_process.readAllStandardError(), QByteArray());
}

// Behind a full pipe, lines wait in the queue up to its bound and the rest
// are dropped whole; what waits comes out in order once the reader reads,
// and nothing the writer does blocks.
TEST(ConsoleOutTest, AFullPipeQueuesThenDropsWholeLinesInOrder)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
    constexpr int kLines = 400;
    constexpr int kLineBytes = 1000;
    qint64 dropped = 0;
    QByteArray received;
    {
        ConsoleOut out(fds[1]);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kLines; ++i) {
            QByteArray line = QByteArray::number(i).rightJustified(6, '0');
            line += QByteArray(kLineBytes - 7, '.') + '\n';
            ASSERT_EQ(out.write(line), kLineBytes);
        }
        EXPECT_LT(clock.elapsed(), 1000) << "writing waited for the reader";
        EXPECT_GT(out.droppedLines(), 0);
        EXPECT_LE(out.bytesToWrite(), ConsoleOut::kQueueBytes + kLineBytes);

        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        char buffer[65536];
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
                    received.append(buffer, n);
                return out.bytesToWrite() == 0;
            },
            5000));
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            received.append(buffer, n);
        dropped = out.finish();
    }
    ::close(fds[0]);
    ::close(fds[1]);

    QList<QByteArray> lines = received.split('\n');
    ASSERT_TRUE(lines.takeLast().isEmpty()) << "a line was cut";
    EXPECT_EQ(lines.size() + dropped, kLines);
    int previous = -1;
    for (const QByteArray &line : lines) {
        ASSERT_EQ(line.size(), kLineBytes - 1);
        const int number = line.left(6).toInt();
        EXPECT_GT(number, previous);
        previous = number;
    }
    EXPECT_EQ(lines.first().left(6), QByteArray("000000"));
}

// A write of several lines that finds the queue full counts all its lines.
TEST(ConsoleOutTest, ADroppedWriteCountsEveryLineInIt)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
    constexpr int kWrites = 200;
    constexpr int kLinesPerWrite = 4;
    qint64 dropped = 0;
    qint64 received = 0;
    {
        ConsoleOut out(fds[1]);
        const QByteArray block = QByteArray(kLinesPerWrite, '\n').replace("\n", QByteArray(499, '.') + '\n');
        ASSERT_EQ(block.size(), kLinesPerWrite * 500);
        for (int i = 0; i < kWrites; ++i)
            ASSERT_EQ(out.write(block), block.size());
        EXPECT_GT(out.droppedLines(), 0);
        EXPECT_EQ(out.droppedLines() % kLinesPerWrite, 0);
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        char buffer[65536];
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
                    received += std::count(buffer, buffer + n, '\n');
                return out.bytesToWrite() == 0;
            },
            5000));
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            received += std::count(buffer, buffer + n, '\n');
        dropped = out.finish();
    }
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(received + dropped, kWrites * kLinesPerWrite);
}

TEST_F(LoggerStreams, HelpNamesAppendAndForceWhichExcludeEachOther)
{
    m_process.setArguments({"--help"});
    m_process.start();
    ASSERT_TRUE(m_process.waitForFinished(10000));
    const QByteArray help = m_process.readAllStandardOutput();
    EXPECT_TRUE(help.contains("--append") && help.contains("--force")) << help.toStdString();

    m_process.setArguments({"--demo", "--append", "--force"});
    m_process.start();
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitCode(), 2);
    EXPECT_TRUE(m_process.readAllStandardError().contains("--append"));
}
