// quenvo-log's printed reports: written as PDF by the program itself, read
// back with poppler; the scale option; failures and interrupted runs.
#include "tools/replayfixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace replayfixture;

namespace {

struct Pdf
{
    int pages = 0;
    double width = 0;
    double height = 0;
    QString text;  // pdftotext -layout
    QString boxes; // pdftotext -bbox
};

QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

Pdf readPdf(const QString &path)
{
    Pdf pdf;
    const QString info = runTool(QStringLiteral("pdfinfo"), {path});
    pdf.pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    pdf.width = size.captured(1).toDouble();
    pdf.height = size.captured(2).toDouble();
    pdf.text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    pdf.boxes = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    return pdf;
}

class QuenvoLogReportsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUENVO_LOG_CLOCK"), QLatin1String(kClockIso));
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(kLocaleName));
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program needs no display of its own
        env.remove(QStringLiteral("DISPLAY"));
        m_process.setProcessEnvironment(env);
        m_process.setProgram(QStringLiteral(QUENVO_LOG_BINARY));
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // A capture of n readings: the fixture's frames over and over.
    QString captureOf(int n)
    {
        const QByteArray one = capture();
        const qsizetype frames = one.size() / qsizetype(kMeterFrameSize);
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes += one.mid((i % frames) * qsizetype(kMeterFrameSize), qsizetype(kMeterFrameSize));
        const QString file = path("in.bin");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return file;
    }

    int run(const QStringList &arguments)
    {
        m_process.setArguments(arguments);
        m_process.start();
        EXPECT_TRUE(m_process.waitForFinished(60000));
        m_err = m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_err;
};

TEST_F(QuenvoLogReportsTest, DataReportHoldsEveryReadingAs36APage)
{
    struct Case
    {
        int readings;
        int pages;
    };
    for (const Case c : {Case{1, 1}, Case{36, 2}, Case{37, 2}, Case{73, 3}}) {
        SCOPED_TRACE(c.readings);
        const QString report = path("data.pdf");
        ASSERT_EQ(run({"--replay", captureOf(c.readings), "--data-report", report}), 0)
            << m_err.toStdString();
        const Pdf pdf = readPdf(report);
        EXPECT_EQ(pdf.pages, c.pages);
        EXPECT_NEAR(pdf.width, 595.3, 0.5);
        EXPECT_NEAR(pdf.height, 841.9, 0.5);
        EXPECT_EQ(pdf.text.count(QStringLiteral("Quenvo Data Report")), c.pages);
        // (The reader's layout closes up the footer's three spaces.)
        EXPECT_TRUE(pdf.text.simplified().contains(QStringLiteral("Page %1 (5/17/24)").arg(c.pages)))
            << pdf.text.toStdString();
        // The last reading's number, in the NO. column.
        EXPECT_TRUE(pdf.boxes.contains(QStringLiteral(">%1</word>").arg(c.readings)));
        EXPECT_TRUE(pdf.text.contains(QStringLiteral(".OL")) || c.readings < 5);
    }
}

TEST_F(QuenvoLogReportsTest, GraphReportShowsTheNewestPageAtTheChosenScale)
{
    const QString report = path("graph.pdf");
    ASSERT_EQ(run({"--replay", captureOf(130), "--graph-report", report, "--scale", "10"}), 0)
        << m_err.toStdString();
    const Pdf pdf = readPdf(report);
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_NEAR(pdf.width, 841.9, 0.5); // landscape
    EXPECT_NEAR(pdf.height, 595.3, 0.5);
    for (const char *label :
         {"8.75", "-1.25", "101", "150", "200", "Quenvo Graph Report", "5/17/24 2:03:09 PM"})
        EXPECT_TRUE(pdf.text.contains(QLatin1String(label))) << label << "\n" << pdf.text.toStdString();
}

TEST_F(QuenvoLogReportsTest, ScaleOutsideTheListIsAUsageError)
{
    const QString report = path("graph.pdf");
    for (const char *scale : {"7", "0", "-400", "many", "400.5"}) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(run({"--replay", captureOf(3), "--graph-report", report, "--scale", scale}), 2);
        EXPECT_TRUE(m_err.contains("--scale")) << m_err.toStdString();
        EXPECT_FALSE(QFile::exists(report));
    }
}

TEST_F(QuenvoLogReportsTest, AReportThatCannotBeWrittenExitsWith1AndKeepsTheOldFile)
{
    const QString missing = path("missing/data.pdf");
    EXPECT_EQ(run({"--replay", captureOf(3), "--data-report", missing}), 1);
    EXPECT_TRUE(m_err.contains(missing.toUtf8())) << m_err.toStdString();

    // A directory where the graph report should go: the run's data report is
    // still written, and the status says the graph report failed.
    const QString data = path("data.pdf");
    const QString dirAsFile = path("adir");
    ASSERT_TRUE(QDir().mkpath(dirAsFile));
    EXPECT_EQ(run({"--replay", captureOf(3), "--data-report", data, "--graph-report", dirAsFile}), 1);
    EXPECT_TRUE(m_err.contains(dirAsFile.toUtf8())) << m_err.toStdString();
    EXPECT_EQ(readPdf(data).pages, 1);

    // The report as the replay file: refused before anything is written.
    const QString capturePath = captureOf(3);
    const QByteArray before = [&] {
        QFile f(capturePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    EXPECT_EQ(run({"--replay", capturePath, "--data-report", capturePath}), 2);
    QFile after(capturePath);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

// Live runs: a stop signal finishes the reports with what was received; a
// run killed outright leaves an earlier report of that name as it was.
TEST_F(QuenvoLogReportsTest, SigtermFinishesTheReportsAndAKilledRunKeepsTheOldOne)
{
    const QString data = path("data.pdf");
    const QString graph = path("graph.pdf");
    m_process.setArguments({"--demo", "--data-report", data, "--graph-report", graph});
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 2 && m_process.waitForReadyRead(10000))
        out += m_process.readAllStandardOutput();
    ASSERT_GE(out.count('\n'), 2);
    m_process.terminate();
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitCode(), 0) << m_process.readAllStandardError().toStdString();
    out += m_process.readAllStandardOutput();
    const Pdf pdf = readPdf(data);
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(pdf.boxes.contains(QStringLiteral(">%1</word>").arg(out.count('\n'))));
    EXPECT_EQ(readPdf(graph).pages, 1);

    QFile old(data);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray earlier = old.readAll();
    old.close();
    m_process.start();
    ASSERT_TRUE(m_process.waitForStarted());
    out.clear();
    while (out.count('\n') < 1 && m_process.waitForReadyRead(10000))
        out += m_process.readAllStandardOutput();
    m_process.kill();
    ASSERT_TRUE(m_process.waitForFinished(10000));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), earlier);
}

} // namespace
