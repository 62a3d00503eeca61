// The quenvo-log program itself, run as a process.
#include "tools/replayfixture.h"

#include "link/decoder.h"
#include "virtualmeter/virtualmeter.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace replayfixture;

namespace {

class QuenvoLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_capturePath = path("in.bin");
        ASSERT_TRUE(writeFile(m_capturePath, capture()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUENVO_LOG_CLOCK"), QLatin1String(kClockIso));
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(kLocaleName));
        m_process.setProcessEnvironment(env);
        m_process.setProgram(QStringLiteral(QUENVO_LOG_BINARY));
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // Runs to the end while the event loop turns (a virtual meter may be feeding it).
    int run(const QStringList &arguments, int timeoutMs = 20000)
    {
        QSignalSpy finished(&m_process, &QProcess::finished);
        m_process.setArguments(arguments);
        m_process.start();
        EXPECT_TRUE(m_process.waitForStarted());
        if (m_process.state() != QProcess::NotRunning) {
            EXPECT_TRUE(finished.wait(timeoutMs)) << "quenvo-log did not end";
        }
        EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return m_process.exitCode();
    }

    QTemporaryDir m_dir;
    QString m_capturePath;
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

} // namespace

TEST_F(QuenvoLogTest, ReplayGivesTheGoldenLogs)
{
    const QString csv = path("out.csv");
    const QString text = path("out.txt");
    const QString copy = path("copy.bin");
    ASSERT_EQ(run({"--replay", m_capturePath, "--csv", csv, "--text", text, "--capture", copy}), 0)
        << m_err.toStdString();
    expectGolden(m_out, "log_replay_stdout.txt");
    expectGolden(readFile(csv), "log_replay.csv");
    expectGolden(readFile(text), "log_replay.txt");
    EXPECT_EQ(readFile(copy), capture());
    EXPECT_EQ(m_err, QByteArray());
}

TEST_F(QuenvoLogTest, UsageErrorsExitWithStatus2)
{
    const QStringList cases[] = {
        {"--bogus"},
        {"--demo", "--replay", "x.bin"},
        {"--port", "/dev/null", "--demo"},
        {"--demo", "--count", "many"},
        {"--demo", "--count", "0"},
        {"--demo", "--count", "-3"},
        {"--demo", "--duration", "0"},
        {"--demo", "--duration", "soon"},
        {"--demo", "stray"},
        {"--port"},
    };
    for (const QStringList &arguments : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        m_out.clear();
        m_err.clear();
        EXPECT_EQ(run(arguments), 2);
        EXPECT_EQ(m_out, QByteArray());
        EXPECT_TRUE(m_err.startsWith("quenvo-log: ")) << m_err.toStdString();
    }
}

TEST_F(QuenvoLogTest, UnwritableCsvExitsWith1NamingTheFile)
{
    const QString csv = path("missing/out.csv");
    EXPECT_EQ(run({"--replay", m_capturePath, "--csv", csv}), 1);
    EXPECT_TRUE(m_err.contains(csv.toUtf8())) << m_err.toStdString();
}

TEST_F(QuenvoLogTest, HelpAndVersionExitWith0)
{
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(m_out.contains("--replay") && m_out.contains("--duration")) << m_out.toStdString();
    m_out.clear();
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_TRUE(m_out.contains(QUENVO_VERSION)) << m_out.toStdString();
}

// The live path of the program: a serial device fed by a meter in this process.
TEST_F(QuenvoLogTest, PortFedByAVirtualMeterLogsItsFrames)
{
    VirtualMeter meter({.intervalMs = 250, .seed = 4});
    ASSERT_TRUE(meter.start());
    std::vector<QString> sentTexts;
    QObject::connect(&meter, &VirtualMeter::frameWritten, [&sentTexts](const MeterFrame &frame) {
        sentTexts.push_back(decodeMeterFrame(frame).displayText);
    });
    ASSERT_EQ(run({"--port", meter.portName(), "--count", "3"}), 0) << m_err.toStdString();

    const QList<QByteArray> lines = m_out.split('\n');
    ASSERT_EQ(lines.size(), 4);
    // Three consecutive readings of the meter (zones: number, function, data, ...).
    std::vector<QString> loggedTexts;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines.at(i).startsWith(QByteArray(" ") + QByteArray::number(i + 1) + ' '));
        loggedTexts.push_back(QString::fromUtf8(lines.at(i).mid(28, 14)).trimmed());
    }
    const auto at = std::search(sentTexts.begin(), sentTexts.end(), loggedTexts.begin(), loggedTexts.end());
    EXPECT_NE(at, sentTexts.end());
}

TEST_F(QuenvoLogTest, SigtermStopsWithTheFilesComplete)
{
    const QString csv = path("out.csv");
    const QString text = path("out.txt");
    m_process.setArguments({"--demo", "--csv", csv, "--text", text});
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    while (m_out.count('\n') < 2 && m_process.waitForReadyRead(10000))
        m_out += m_process.readAllStandardOutput();
    ASSERT_GE(m_out.count('\n'), 2) << m_process.readAllStandardError().toStdString();

    m_process.terminate();
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    m_out += m_process.readAllStandardOutput();

    const qsizetype readings = m_out.count('\n');
    EXPECT_EQ(crlfLines(readFile(csv)).size(), readings + 1);
    EXPECT_EQ(crlfLines(readFile(text)).size(), readings + 2);
}
