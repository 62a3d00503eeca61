// Whole-file saves: the file appears only after a complete write, and a failed
// save reports why and leaves whatever was at the path untouched.
#include "datafilessamples.h"
#include "datalog/datafiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

enum class Format { Text, Csv };

WriteResult save(Format format, const QString &path, std::span<const MeasurementRecord> records)
{
    if (format == Format::Text)
        return saveTextLog(path, kTitleSave, kGoldenDate, kGoldenTime, records);
    return saveCsvLog(path, records);
}

const char *goldenName(Format format)
{
    return format == Format::Text ? "datafiles_log.txt" : "datafiles_log.csv";
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush();
}

// Lowers this process's file size limit for one scope, so that writes beyond
// it fail with "File too large" instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The file type bits of what is at `path` itself (a link is not followed); 0 when nothing is there.
mode_t typeAt(const QString &path)
{
    struct stat info = {};
    return ::lstat(encoded(path).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// Runs the file checks of this thread as an unprivileged user, so that a
// folder's permissions bind even when the tests run as root (the kernel drops
// the file capabilities with the file user id). Not root: nothing changes.
class FileAccessAsNobody
{
public:
    static constexpr uid_t kNobody = 65534;
    FileAccessAsNobody()
    {
        if (::geteuid() == 0)
            m_previous = static_cast<int>(::setfsuid(kNobody));
    }
    ~FileAccessAsNobody()
    {
        if (m_previous >= 0)
            ::setfsuid(static_cast<uid_t>(m_previous));
    }
    FileAccessAsNobody(const FileAccessAsNobody &) = delete;
    FileAccessAsNobody &operator=(const FileAccessAsNobody &) = delete;

    // Makes `path` belong to the user the checks run as.
    static bool own(const QString &path)
    {
        return ::geteuid() != 0 || ::chown(encoded(path).constData(), kNobody, kNobody) == 0;
    }

private:
    int m_previous = -1;
};

class DataFileSave : public testing::TestWithParam<Format>
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString pathIn(const QString &name) const { return m_dir.filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_P(DataFileSave, WritesTheGoldenFile)
{
    const QString path = pathIn(QStringLiteral("log"));
    ASSERT_TRUE(save(GetParam(), path, goldenRecords()));
    EXPECT_EQ(contentOf(path), readGolden(goldenName(GetParam())));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("log")}) << "no temporary file left behind";
}

TEST_P(DataFileSave, ReplacesTheWholeOfALongerFile)
{
    const QString path = pathIn(QStringLiteral("log"));
    ASSERT_TRUE(writeFile(path, QByteArray(100000, 'x')));
    ASSERT_TRUE(save(GetParam(), path, goldenRecords()));
    EXPECT_EQ(contentOf(path), readGolden(goldenName(GetParam())));
}

// Things that are not regular files, made here (never the system's own /dev
// entries, which a faulty save would replace): each is refused by name and
// kind, and stays what it was, with nothing created beside it.
TEST_P(DataFileSave, RefusesWhatIsNotARegularFile)
{
    struct Case
    {
        QString name;
        QString what;
        mode_t type;
    };
    std::vector<Case> cases;

    const QString folder = pathIn(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/inside"), "kept"));
    cases.push_back({QStringLiteral("folder"), QStringLiteral("a directory"), S_IFDIR});

    ASSERT_EQ(::mkfifo(encoded(pathIn(QStringLiteral("fifo"))).constData(), 0600), 0);
    cases.push_back({QStringLiteral("fifo"), QStringLiteral("a FIFO (named pipe)"), S_IFIFO});

    const QString socketPath = pathIn(QStringLiteral("sock"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(encoded(socketPath).size(), qsizetype(sizeof address.sun_path));
    std::strcpy(address.sun_path, encoded(socketPath).constData());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    cases.push_back({QStringLiteral("sock"), QStringLiteral("a socket"), S_IFSOCK});

    // A copy of the full device, as root only (mknod needs the privilege).
    const bool deviceMade =
        ::mknod(encoded(pathIn(QStringLiteral("full"))).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0;
    if (deviceMade)
        cases.push_back({QStringLiteral("full"), QStringLiteral("a character device"), S_IFCHR});
    else
        std::printf("[  NOTE    ] no device node made (mknod needs root); the device case is skipped\n");

    // A link to the FIFO is refused as the FIFO, and stays a link.
    ASSERT_TRUE(QFile::link(pathIn(QStringLiteral("fifo")), pathIn(QStringLiteral("tofifo"))));
    cases.push_back({QStringLiteral("tofifo"), QStringLiteral("a FIFO (named pipe)"), S_IFLNK});

    const QStringList before = entries();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const WriteResult result = save(GetParam(), pathIn(c.name), goldenRecords());
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.reason.contains(c.what)) << result.reason.toStdString();
        EXPECT_TRUE(result.reason.contains(QStringLiteral("nothing was written")))
            << result.reason.toStdString();
        EXPECT_EQ(typeAt(pathIn(c.name)), c.type);
        EXPECT_EQ(entries(), before) << "nothing created beside it";
    }
    EXPECT_EQ(contentOf(folder + QStringLiteral("/inside")), QByteArray("kept"));
    ::close(sock);
}

// A link is followed: the file it points at gets the log and the link stays a
// link to it; a link to a file not made yet creates that file.
TEST_P(DataFileSave, WritesThroughALinkAndKeepsIt)
{
    const QString file = pathIn(QStringLiteral("real.log"));
    const QString link = pathIn(QStringLiteral("link.log"));
    const QString chain = pathIn(QStringLiteral("chain.log"));
    ASSERT_TRUE(writeFile(file, "earlier"));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.log"), link)); // relative, resolved against its folder
    ASSERT_TRUE(QFile::link(link, chain));

    for (const QString &path : {link, chain}) {
        ASSERT_TRUE(writeFile(file, "earlier"));
        ASSERT_TRUE(save(GetParam(), path, goldenRecords()));
        EXPECT_EQ(contentOf(file), readGolden(goldenName(GetParam())));
        EXPECT_EQ(typeAt(link), mode_t(S_IFLNK));
        EXPECT_EQ(typeAt(chain), mode_t(S_IFLNK));
        EXPECT_EQ(QFile::symLinkTarget(link), file);
    }

    const QString dangling = pathIn(QStringLiteral("dangling.log"));
    ASSERT_TRUE(QFile::link(pathIn(QStringLiteral("later.log")), dangling));
    ASSERT_TRUE(save(GetParam(), dangling, goldenRecords()));
    EXPECT_EQ(typeAt(dangling), mode_t(S_IFLNK));
    EXPECT_EQ(contentOf(pathIn(QStringLiteral("later.log"))), readGolden(goldenName(GetParam())));
    EXPECT_EQ(entries().size(), 5) << entries().join(' ').toStdString();
}

// A folder that takes no new file, holding a file that may be written: the
// file is written in place. A failure part-way says that the file now holds
// part of the log.
TEST_P(DataFileSave, WritesInPlaceWhereTheFolderTakesNoNewFile)
{
    const QString locked = pathIn(QStringLiteral("locked"));
    const QString path = locked + QStringLiteral("/log");
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(writeFile(path, QByteArray(100000, 'x')));
    ASSERT_TRUE(FileAccessAsNobody::own(path));
    // The temporary folder is the owner's alone; the folder below must be reachable.
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                        QFile::ExeGroup | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const auto unlock = qScopeGuard(
        [&] { QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });

    FileAccessAsNobody nobody;
    {
        QFile probe(locked + QStringLiteral("/probe"));
        ASSERT_FALSE(probe.open(QIODevice::WriteOnly)) << "the folder still takes new files";
    }
    const WriteResult inPlace = save(GetParam(), path, goldenRecords());
    ASSERT_TRUE(inPlace) << inPlace.reason.toStdString();
    EXPECT_EQ(contentOf(path), readGolden(goldenName(GetParam())));
    EXPECT_EQ(QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"log"});

    const std::vector<MeasurementRecord> records = manyRecords(2000);
    WriteResult result;
    {
        FileSizeLimit limit(8192);
        ASSERT_TRUE(limit.active());
        result = save(GetParam(), path, records);
    }
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.startsWith(QStringLiteral("File too large"))) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.contains(QStringLiteral("holds only part of the log")));
    EXPECT_EQ(QFileInfo(path).size(), 8192);
}

// A folder without write permission; when permissions do not stop this
// process (it runs as root), a path below a regular file is used instead.
TEST_P(DataFileSave, ReportsAnUnwritableLocation)
{
    const QString locked = pathIn(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    QFile probe(locked + QStringLiteral("/probe"));
    const bool permissionsBind = !probe.open(QIODevice::WriteOnly);
    probe.close();
    QFile::remove(probe.fileName());

    QString path = locked + QStringLiteral("/log");
    QString expected = QStringLiteral("Permission denied");
    if (!permissionsBind) {
        const QString plain = pathIn(QStringLiteral("plain"));
        ASSERT_TRUE(writeFile(plain, "plain"));
        path = plain + QStringLiteral("/log");
        expected = QStringLiteral("Not a directory");
    }

    const WriteResult result = save(GetParam(), path, goldenRecords());
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, expected);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(locked).isEmpty());
    EXPECT_EQ(contentOf(pathIn(QStringLiteral("plain"))),
              permissionsBind ? QByteArray() : QByteArray("plain"));
}

// Writes that stop part-way, here through the file size limit: in the first
// chunk of a log or after several chunks have gone out.
TEST_P(DataFileSave, AFailedWriteKeepsThePreviousFile)
{
    const QByteArray previous = readGolden(goldenName(GetParam()));
    ASSERT_FALSE(previous.isEmpty());
    const struct
    {
        rlim_t limit;
        int records;
    } cases[] = {{1024, 60}, {8192, 2000}};
    for (const auto &c : cases) {
        const QString path = pathIn(QStringLiteral("log"));
        ASSERT_TRUE(writeFile(path, previous));
        const std::vector<MeasurementRecord> records = manyRecords(c.records);
        WriteResult result;
        {
            FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.active());
            result = save(GetParam(), path, records);
        }
        SCOPED_TRACE(testing::Message() << c.records << " records, limit " << c.limit);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, QStringLiteral("File too large"));
        EXPECT_EQ(contentOf(path), previous);
        EXPECT_EQ(entries(), QStringList{QStringLiteral("log")}) << "no temporary file left behind";
    }
}

TEST_P(DataFileSave, RefusesAnEmptyPath)
{
    const WriteResult result = save(GetParam(), QString(), goldenRecords());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothFormats, DataFileSave, testing::Values(Format::Text, Format::Csv),
                         [](const testing::TestParamInfo<Format> &info) {
                             return info.param == Format::Text ? std::string("Text") : std::string("Csv");
                         });
