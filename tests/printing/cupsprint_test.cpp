// The default printer for real: a private CUPS scheduler on its own socket
// with a PDF queue as its default printer. Both reports go through the
// printer path the windows use, and the jobs' PDFs are checked for pages,
// size and orientation. (Text is checked on the PDF writer's output: the
// queue's conversion loses the fonts' text mapping.) Skipped, with the
// reason, where the scheduler cannot run.
#include "platform/printsurfaces.h"
#include "print/reports.h"
#include "printing/printtesting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

// One scheduler for the whole suite: the printing library keeps the first
// scheduler address it was given for the life of the process.
class PrivateScheduler
{
public:
    QString skipReason; // empty once the queue is ready
    QString queue;

    QString outDir() const { return dir.filePath(QStringLiteral("out")); }

    void start() { skipReason = startOrExplain(); }

    ~PrivateScheduler()
    {
        if (scheduler.state() != QProcess::NotRunning) {
            scheduler.terminate();
            if (!scheduler.waitForFinished(10000)) {
                scheduler.kill();
                scheduler.waitForFinished();
            }
        }
        if (!confPath.isEmpty())
            QFile::remove(confPath);
    }

private:
    QString startOrExplain()
    {
        for (const QString &needed : {kCupsd, kBackend, kPpd, QStringLiteral("/usr/sbin/lpadmin")})
            if (!QFileInfo::exists(needed))
                return needed + QStringLiteral(" is not installed");
        if (::geteuid() != 0)
            return QStringLiteral("the scheduler runs its PDF queue's backend as root; this is not root");
        if (!dir.isValid())
            return QStringLiteral("no temporary directory");
        // The scheduler's user must reach its directories.
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup);
        for (const char *sub : {"spool", "tmp", "cache", "state", "log", "etc/ppd", "out"})
            if (!QDir(dir.path()).mkpath(QString::fromLatin1(sub)))
                return QStringLiteral("cannot make its directories");
        QFile::setPermissions(dir.filePath("tmp"), QFileDevice::Permissions(0x7777));
        socket = dir.filePath(QStringLiteral("cups.sock"));
        writeFile("cupsd.conf", QStringLiteral("Listen %1\nLogLevel info\nWebInterface No\nBrowsing No\n"
                                               "DefaultAuthType None\n"
                                               "<Policy default>\n<Limit All>\nOrder deny,allow\nAllow all\n"
                                               "</Limit>\n</Policy>\n")
                                    .arg(socket));
        const QString root = dir.path();
        writeFile(
            "cups-files.conf",
            QStringLiteral("User lp\nGroup lp\nSystemGroup root\nServerRoot %1/etc\nRequestRoot %1/spool\n"
                           "TempDir %1/tmp\nCacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                           "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nServerBin /usr/lib/cups\n"
                           "DataDir /usr/share/cups\nFileDevice No\nSandboxing Relaxed\n")
                .arg(root));
        scheduler.setProcessChannelMode(QProcess::MergedChannels);
        scheduler.start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), dir.filePath("cupsd.conf"),
                                 QStringLiteral("-s"), dir.filePath("cups-files.conf")});
        if (!scheduler.waitForStarted(10000))
            return QStringLiteral("cupsd does not start: ") + scheduler.errorString();
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(socket) && waited.elapsed() < 10000 &&
               scheduler.state() == QProcess::Running)
            QThread::msleep(50);
        if (!QFileInfo::exists(socket))
            return QStringLiteral("cupsd did not open its socket: ") +
                   QString::fromLocal8Bit(scheduler.readAll());

        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        // The queue's PDFs go to our directory: the PDF backend reads the
        // settings of a queue named in its address from a fixed place.
        queue = QStringLiteral("quenvotest%1").arg(::getpid());
        confPath = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(queue);
        if (!writeAbsolute(confPath, QStringLiteral("Out %1\nAnonDirName %1\nLabel 0\n").arg(outDir())))
            return QStringLiteral("cannot write ") + confPath;
        int status = 0;
        const QString added =
            printtesting::run(QStringLiteral("lpadmin"),
                              {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                               QStringLiteral("cups-pdf:/") + queue, QStringLiteral("-P"), kPpd},
                              &status);
        if (status != 0)
            return QStringLiteral("lpadmin could not add the queue: ") + added;
        printtesting::run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queue}, &status);
        if (status != 0)
            return QStringLiteral("lpadmin could not make the queue the default");
        return {};
    }

    void writeFile(const char *name, const QString &text)
    {
        writeAbsolute(dir.filePath(QString::fromLatin1(name)), text);
    }
    static bool writeAbsolute(const QString &path, const QString &text)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
    }

    QTemporaryDir dir;
    QProcess scheduler;
    QString socket;
    QString confPath;
};

class CupsPrintTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = new PrivateScheduler;
        server->start();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server->skipReason.isEmpty())
            GTEST_SKIP() << "no private printer: " << server->skipReason.toStdString();
        queue = server->queue;
        int status = 0;
        printtesting::run(QStringLiteral("cupsenable"), {queue}, &status);
        printtesting::run(QStringLiteral("cupsaccept"), {queue}, &status);
        jobsBefore = outputs().size();
        completedBefore = completedJobs().count(queue);
    }

    QStringList outputs() const
    {
        return QDir(server->outDir())
            .entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time | QDir::Reversed);
    }

    // The PDF the queue made of the next job, waited for.
    QString waitForOutput(int more)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000) {
            const QStringList files = outputs();
            if (files.size() > jobsBefore + more) {
                const QString path = server->outDir() + QLatin1Char('/') + files.last();
                // Finished once the job is no longer pending or printing.
                const QString open =
                    printtesting::run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue});
                if (open.trimmed().isEmpty())
                    return path;
            }
            QThread::msleep(100);
        }
        return {};
    }

    QString completedJobs()
    {
        return printtesting::run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                                            QStringLiteral("-o"), queue});
    }

    int completedSince() { return completedJobs().count(queue) - completedBefore; }

    static PrivateScheduler *server;
    QString queue;
    int jobsBefore = 0;
    int completedBefore = 0;
};

PrivateScheduler *CupsPrintTest::server = nullptr;

// Where the ink lies on page 1, rendered at 20 dots per inch.
QRect inkBox(const QString &pdf, const QString &dir)
{
    const QString stem = dir + QStringLiteral("/ink");
    printtesting::run(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-gray"),
                       QStringLiteral("-singlefile"), pdf, stem});
    const QImage image(stem + QStringLiteral(".pgm"));
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

std::vector<MeasurementRecord> records(int n)
{
    std::vector<MeasurementRecord> out;
    for (int i = 1; i <= n; ++i)
        out.push_back({i, i * 10.0, QStringLiteral("VDC"), QStringLiteral("5/17/24\\14:03:09"),
                       QStringLiteral("V"), QString::number(i * 10.0)});
    return out;
}

TEST_F(CupsPrintTest, BothReportsComeOutOfTheDefaultQueueWithTheirPagesAndOrientation)
{
    printing::DefaultPrinterSurface data(QStringLiteral("Quenvo Data Report"));
    ASSERT_TRUE(reports::printDataReport(data, records(40), [] { return QStringLiteral("5/17/24"); }))
        << data.failureDetail().toStdString();
    EXPECT_EQ(data.printerName(), queue);
    const QString dataPdf = waitForOutput(0);
    ASSERT_FALSE(dataPdf.isEmpty()) << "no job output; jobs: " << completedJobs().toStdString();
    const printtesting::PdfFacts dataFacts = printtesting::readPdf(dataPdf);
    EXPECT_EQ(dataFacts.pages, 2);
    EXPECT_NEAR(dataFacts.width, 595, 1.5);
    EXPECT_NEAR(dataFacts.height, 842, 1.5);

    SharedState state;
    for (double v : {100.0, -100.0, 50.0})
        state.append({0, v, QString(), QString(), QString(), QString()});
    state.gViewCount = 3;
    printing::DefaultPrinterSurface graph(QStringLiteral("Quenvo Graph Report"));
    ASSERT_TRUE(reports::printGraphReport(graph, state, reports::graphLabelsFor(400, 1, "clock")))
        << graph.failureDetail().toStdString();
    const QString graphPdf = waitForOutput(1);
    ASSERT_FALSE(graphPdf.isEmpty()) << "no job output; jobs: " << completedJobs().toStdString();
    const printtesting::PdfFacts graphFacts = printtesting::readPdf(graphPdf);
    EXPECT_EQ(graphFacts.pages, 1);
    // Landscape: wider than high, on A4.
    // A4 paper; the chart lies across its long side: as a landscape page, or
    // turned on a portrait sheet as the queue feeds it.
    EXPECT_NEAR(std::max(graphFacts.width, graphFacts.height), 842, 1.5);
    EXPECT_NEAR(std::min(graphFacts.width, graphFacts.height), 595, 1.5);
    QTemporaryDir scratch;
    const QRect ink = inkBox(graphPdf, scratch.path());
    ASSERT_FALSE(ink.isEmpty());
    const bool paperLandscape = graphFacts.width > graphFacts.height;
    const bool inkAlongWidth = ink.width() > ink.height();
    EXPECT_EQ(paperLandscape, inkAlongWidth) << "the chart does not lie along the paper's long side";
    EXPECT_EQ(completedSince(), 2) << completedJobs().toStdString();
}

TEST_F(CupsPrintTest, AReportThatFailsHalfWaySendsNothing)
{
    // The queue refuses nothing; the report itself fails at a late step.
    class FailsLate : public printing::DefaultPrinterSurface
    {
    public:
        FailsLate() : DefaultPrinterSurface(QStringLiteral("Quenvo Data Report")) {}
        int texts = 0;

    protected:
        bool perform(const printing::PrintStep &step, double &widthOut) override
        {
            if (step.kind == printing::PrintStep::Kind::Text && ++texts == 150) {
                fail(QStringLiteral("stopped on purpose"));
                return false;
            }
            return DefaultPrinterSurface::perform(step, widthOut);
        }
    };
    {
        FailsLate surface;
        EXPECT_FALSE(
            reports::printDataReport(surface, records(40), [] { return QStringLiteral("5/17/24"); }));
        EXPECT_GT(surface.keptSteps(), 100u);
    }
    // A complete report after it is a job of its own, with only its pages.
    printing::DefaultPrinterSurface data(QStringLiteral("Quenvo Data Report"));
    ASSERT_TRUE(reports::printDataReport(data, records(3), [] { return QStringLiteral("5/17/24"); }));
    const QString pdf = waitForOutput(0);
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(printtesting::readPdf(pdf).pages, 1);
    EXPECT_EQ(completedSince(), 1) << completedJobs().toStdString();
}

TEST_F(CupsPrintTest, AQueueThatRefusesJobsIsReportedWithTheReason)
{
    int status = 0;
    printtesting::run(QStringLiteral("cupsreject"),
                      {QStringLiteral("-r"), QStringLiteral("closed for the test"), queue}, &status);
    ASSERT_EQ(status, 0);
    printing::DefaultPrinterSurface data(QStringLiteral("Quenvo Data Report"));
    EXPECT_FALSE(reports::printDataReport(data, records(3), [] { return QStringLiteral("5/17/24"); }));
    EXPECT_TRUE(data.failureDetail().contains(QStringLiteral("The printer %1 refused the job").arg(queue)))
        << data.failureDetail().toStdString();
    EXPECT_EQ(completedSince(), 0);
}

TEST_F(CupsPrintTest, AStoppedQueueIsReportedWithItsNameAndState)
{
    int status = 0;
    printtesting::run(QStringLiteral("cupsdisable"), {queue}, &status);
    ASSERT_EQ(status, 0);
    printtesting::run(QStringLiteral("cupsreject"), {queue}, &status);
    ASSERT_EQ(status, 0);
    printing::DefaultPrinterSurface data(QStringLiteral("Quenvo Data Report"));
    EXPECT_FALSE(reports::printDataReport(data, records(3), [] { return QStringLiteral("5/17/24"); }));
    EXPECT_TRUE(data.failureDetail().contains(queue)) << data.failureDetail().toStdString();
}

} // namespace
