// Whole-file saves: the file appears only after a complete write, and a failed
// save reports why and leaves whatever was at the path untouched.
#include "datafilessamples.h"
#include "datalog/datafiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

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

TEST_P(DataFileSave, RefusesADirectory)
{
    const QString path = pathIn(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(path));
    ASSERT_TRUE(writeFile(path + QStringLiteral("/inside"), "kept"));

    const WriteResult result = save(GetParam(), path, goldenRecords());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, QStringLiteral("Is a directory"));
    EXPECT_EQ(contentOf(path + QStringLiteral("/inside")), QByteArray("kept"));
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
