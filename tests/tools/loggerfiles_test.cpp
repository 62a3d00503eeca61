// The logger's output files: only regular files, never two outputs in one
// file, and an earlier log never emptied unasked (--append continues it,
// --force replaces it).
#include "tools/replayfixture.h"

#include "platform/timetexts.h"
#include "quenvo-log/headlesslogger.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace replayfixture;
using logoutputs::Existing;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class LoggerFiles : public ::testing::Test
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

    Outcome replay(LoggerOptions options)
    {
        options.source = LoggerOptions::Source::Replay;
        options.replayFile = m_capturePath;
        QBuffer out;
        QBuffer err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        HeadlessLogger logger(options, out, err);
        QSignalSpy finished(&logger, &HeadlessLogger::finished);
        logger.start();
        if (!logger.isFinished()) {
            EXPECT_TRUE(finished.wait(20000));
        }
        return {logger.exitStatus(), out.data(), err.data()};
    }

    QTemporaryDir m_dir;
    QString m_capturePath;
};

mode_t typeAt(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// The first number of every record line of a log (CSV: before the first
// comma; text: the first zone), in order.
std::vector<int> numbersOf(const QByteArray &log, bool csv)
{
    std::vector<int> numbers;
    for (const QByteArray &line : crlfLines(log)) {
        bool ok = false;
        const int n = (csv ? line.left(line.indexOf(',')) : line.left(14)).trimmed().toInt(&ok);
        if (ok)
            numbers.push_back(n);
    }
    return numbers;
}

std::vector<int> oneTo(int n)
{
    std::vector<int> numbers(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        numbers[static_cast<std::size_t>(i)] = i + 1;
    return numbers;
}

} // namespace

// Two outputs that are one file, however they are named: refused with
// status 2 before either is opened, so an earlier file keeps its content.
TEST_F(LoggerFiles, TwoOutputsInOneFileAreRefused)
{
    const QString log = path("log");
    ASSERT_TRUE(writeFile(log, "earlier"));
    ASSERT_EQ(::link(QFile::encodeName(log).constData(), QFile::encodeName(path("hard")).constData()), 0);
    ASSERT_TRUE(QFile::link(log, path("soft")));
    ASSERT_TRUE(QFile::link(path("new"), path("tonew")));
    ASSERT_TRUE(QDir().mkdir(path("sub")));

    struct Case
    {
        const char *what;
        QString csv, text, capture;
    };
    const Case cases[] = {
        {"one name twice", log, log, {}},
        {"another spelling", log, {}, m_dir.path() + QStringLiteral("/sub/../log")},
        {"a hard link", log, path("hard"), {}},
        {"a symbolic link", {}, path("soft"), log},
        {"a file not made yet, and a link to it", path("new"), {}, path("tonew")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoggerOptions options;
        options.csvFile = c.csv;
        options.textFile = c.text;
        options.captureFile = c.capture;
        options.existing = Existing::Replace; // not even --force may do it
        const Outcome outcome = replay(options);
        EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
        EXPECT_TRUE(outcome.err.contains("are the same file")) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, QByteArray());
        EXPECT_EQ(readFile(log), QByteArray("earlier"));
        EXPECT_FALSE(QFile::exists(path("new")));
    }
}

// A file that holds something is refused unless --append or --force; an
// empty one is simply used.
TEST_F(LoggerFiles, AnEarlierLogIsKeptUnlessReplacingIsAsked)
{
    LoggerOptions options;
    options.csvFile = path("out.csv");
    options.textFile = path("out.txt");
    ASSERT_TRUE(writeFile(options.csvFile, "earlier"));
    ASSERT_TRUE(writeFile(options.textFile, QByteArray()));

    Outcome outcome = replay(options);
    EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
    EXPECT_TRUE(outcome.err.contains(options.csvFile.toUtf8()) && outcome.err.contains("--append") &&
                outcome.err.contains("--force"))
        << outcome.err.toStdString();
    EXPECT_EQ(readFile(options.csvFile), QByteArray("earlier"));
    EXPECT_EQ(outcome.out, QByteArray());

    options.existing = Existing::Replace;
    outcome = replay(options);
    ASSERT_EQ(outcome.status, HeadlessLogger::Success) << outcome.err.toStdString();
    expectGolden(readFile(options.csvFile), "log_replay.csv");
    expectGolden(readFile(options.textFile), "log_replay.txt");
}

// --append: no second heading or title, the numbering goes on from the last
// record, the capture grows by the frames logged.
TEST_F(LoggerFiles, AppendContinuesTheLogsAndTheirNumbering)
{
    const int perRun = static_cast<int>(frames().size());
    LoggerOptions options;
    options.csvFile = path("out.csv");
    options.textFile = path("out.txt");
    options.captureFile = path("copy.bin");
    options.existing = Existing::Append; // absent files are started afresh
    ASSERT_EQ(replay(options).status, HeadlessLogger::Success);
    const Outcome second = replay(options);
    ASSERT_EQ(second.status, HeadlessLogger::Success) << second.err.toStdString();

    const QByteArray csv = readFile(options.csvFile);
    const QByteArray text = readFile(options.textFile);
    EXPECT_EQ(csv.count("\"NO.\""), 1);
    EXPECT_EQ(text.count("Quenvo  Data Logger"), 1);
    EXPECT_EQ(numbersOf(csv, true), oneTo(2 * perRun));
    EXPECT_EQ(numbersOf(text, false), oneTo(2 * perRun));
    EXPECT_EQ(crlfLines(text).size(), 2 + 2 * perRun);
    EXPECT_EQ(readFile(options.captureFile), capture() + capture());
    EXPECT_TRUE(second.out.startsWith(' ' + QByteArray::number(perRun + 1) + ' '))
        << second.out.toStdString();

    // The numbering follows the highest of the logs continued; a log whose
    // last line was cut off gets that line closed first.
    QFile cut(options.textFile);
    ASSERT_TRUE(cut.open(QIODevice::Append));
    cut.write(" 9");
    cut.close();
    LoggerOptions csvOnly = options;
    csvOnly.captureFile.clear();
    const Outcome third = replay(csvOnly);
    ASSERT_EQ(third.status, HeadlessLogger::Success) << third.err.toStdString();
    EXPECT_TRUE(third.err.contains("ended inside a line")) << third.err.toStdString();
    EXPECT_EQ(numbersOf(readFile(options.csvFile), true), oneTo(3 * perRun));
    const QList<QByteArray> lines = crlfLines(readFile(options.textFile));
    EXPECT_EQ(lines.size(), 2 + 3 * perRun + 1);
    EXPECT_EQ(lines.at(2 + 2 * perRun), QByteArray(" 9\r"));
}

// Only a log of the same kind is continued: anything else, or a capture that
// ends inside a frame, is refused and kept.
TEST_F(LoggerFiles, AppendRefusesWhatIsNotALogOfItsKind)
{
    struct Case
    {
        const char *what;
        QString LoggerOptions::*field;
        QByteArray content;
    };
    const Case cases[] = {
        {"csv onto notes", &LoggerOptions::csvFile, "shopping list\r\n"},
        {"text log onto a comma-separated log", &LoggerOptions::textFile, "\"NO.\",\"FUN\"\r\n"},
        {"capture ending inside a frame", &LoggerOptions::captureFile, capture().left(20)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoggerOptions options;
        options.existing = Existing::Append;
        options.*c.field = path("target");
        ASSERT_TRUE(writeFile(path("target"), c.content));
        const Outcome outcome = replay(options);
        EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
        EXPECT_TRUE(outcome.err.contains("cannot be continued")) << outcome.err.toStdString();
        EXPECT_EQ(readFile(path("target")), c.content);
    }
}

// What is not a regular file is refused with status 2 and left as it is; a
// link is followed to the file, which gets the log, and stays a link.
TEST_F(LoggerFiles, OnlyRegularFilesTakeALog)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(path("folder")));
    struct Case
    {
        QString name;
        const char *what;
        mode_t type;
    };
    std::vector<Case> cases{{QStringLiteral("fifo"), "a FIFO (named pipe)", S_IFIFO},
                            {QStringLiteral("folder"), "a directory", S_IFDIR}};
    if (::mknod(QFile::encodeName(path("full")).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0)
        cases.push_back({QStringLiteral("full"), "a character device", S_IFCHR});
    else
        std::printf("[  NOTE    ] no device node made (mknod needs root); the device case is skipped\n");

    for (const Case &c : cases) {
        for (QString LoggerOptions::*field : {&LoggerOptions::csvFile, &LoggerOptions::captureFile}) {
            SCOPED_TRACE(c.name.toStdString());
            LoggerOptions options;
            options.*field = path(c.name.toUtf8().constData());
            options.existing = Existing::Replace;
            const Outcome outcome = replay(options);
            EXPECT_EQ(outcome.status, HeadlessLogger::UsageError);
            EXPECT_TRUE(outcome.err.contains(c.what) && outcome.err.contains((options.*field).toUtf8()))
                << outcome.err.toStdString();
            EXPECT_EQ(typeAt(options.*field), c.type);
            EXPECT_EQ(outcome.out, QByteArray());
        }
    }

    ASSERT_TRUE(QFile::link(path("real.csv"), path("link.csv")));
    LoggerOptions options;
    options.csvFile = path("link.csv");
    ASSERT_EQ(replay(options).status, HeadlessLogger::Success);
    EXPECT_EQ(typeAt(path("link.csv")), mode_t(S_IFLNK));
    expectGolden(readFile(path("real.csv")), "log_replay.csv");
}
