#include "quenvo-log/logoutputs.h"

#include "datalog/datafiles.h"
#include "datalog/savetarget.h"
#include "link/meterframe.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace logoutputs {
namespace {

// What identifies a file: the existing file's device and inode, or, for a
// file not created yet, its folder's device and inode and its name.
struct Identity
{
    dev_t device = 0;
    ino_t inode = 0;
    QString name; // empty for an existing file

    bool operator==(const Identity &) const = default;
};

std::optional<Identity> identityOf(const QString &path)
{
    const QString resolved = savetarget::inspect(path).writePath;
    struct stat info = {};
    if (::stat(QFile::encodeName(resolved).constData(), &info) == 0)
        return Identity{info.st_dev, info.st_ino, {}};
    const QFileInfo file(resolved);
    if (::stat(QFile::encodeName(file.absolutePath()).constData(), &info) == 0)
        return Identity{info.st_dev, info.st_ino, file.fileName()};
    return std::nullopt;
}

QString displayName(const Output &output)
{
    return QStringLiteral("%1 %2").arg(output.option, output.path);
}

Opened refusal(const QString &message)
{
    Opened opened;
    opened.usageError = true;
    opened.message = message;
    return opened;
}

Opened failure(const QString &message)
{
    Opened opened;
    opened.message = message;
    return opened;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The record number a log line starts with, if it is a record line.
std::optional<qint64> recordNumber(const QByteArray &line, Format format)
{
    QByteArray field = format == Format::Csv ? line.left(line.indexOf(',')) : line.left(14);
    field = field.trimmed();
    bool ok = false;
    const qint64 number = field.toLongLong(&ok);
    return ok && number > 0 ? std::optional<qint64>(number) : std::nullopt;
}

// What an earlier log must start with to be continued.
QByteArray expectedStart(Format format)
{
    if (format == Format::Csv)
        return datafiles::csvHeaderLine();
    return kTitleSave.toUtf8() + ' ';
}

// Reads what continuing `path` needs to know: that it is a log of `format`,
// the number of its last record, and whether its last line was cut off.
struct Tail
{
    QString problem; // empty when the file may be continued
    qint64 lastNumber = 0;
    bool cutLine = false;
};

Tail readTail(const QString &path, Format format, qint64 size)
{
    Tail tail;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tail.problem = QStringLiteral("cannot read it to continue it: %1").arg(file.errorString());
        return tail;
    }
    if (format == Format::Capture) {
        if (size % qint64(kMeterFrameSize) != 0)
            tail.problem = QStringLiteral("it ends with %1 bytes that do not make a whole 14-byte frame, so "
                                          "frames added after them would not replay")
                               .arg(size % qint64(kMeterFrameSize));
        return tail;
    }
    const QByteArray start = expectedStart(format);
    if (!file.read(start.size()).startsWith(start)) {
        tail.problem = format == Format::Csv ? QStringLiteral("it is not a comma-separated log of readings")
                                             : QStringLiteral("it is not a text log of readings");
        return tail;
    }
    // The last record is in the last few lines; 64 KiB hold far more than one.
    constexpr qint64 kTailBytes = 64 * 1024;
    file.seek(std::max<qint64>(0, size - kTailBytes));
    QByteArray bytes = file.readAll();
    tail.cutLine = !bytes.endsWith('\n');
    QList<QByteArray> lines = bytes.split('\n');
    if (tail.cutLine)
        lines.removeLast();
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (const std::optional<qint64> number = recordNumber(*line, format)) {
            tail.lastNumber = *number;
            break;
        }
    }
    return tail;
}

} // namespace

QString sameFileConflict(const std::vector<Output> &outputs, const QString &replayFile)
{
    std::vector<std::pair<Output, Identity>> seen;
    if (!replayFile.isEmpty()) {
        if (const std::optional<Identity> replay = identityOf(replayFile))
            seen.push_back({Output{QStringLiteral("--replay"), replayFile}, *replay});
    }
    for (const Output &output : outputs) {
        if (output.path.isEmpty())
            continue;
        const std::optional<Identity> identity = identityOf(output.path);
        if (!identity)
            continue; // its folder is missing: opening it reports that
        for (const auto &[earlier, earlierIdentity] : seen) {
            if (earlierIdentity != *identity)
                continue;
            if (earlier.option == QStringLiteral("--replay"))
                return QStringLiteral("%1 is the replay file %2; writing to it would destroy the capture. "
                                      "Choose another output file.")
                    .arg(displayName(output), earlier.path);
            return QStringLiteral("%1 and %2 are the same file; each output needs a file of its own.")
                .arg(displayName(earlier), displayName(output));
        }
        seen.push_back({output, *identity});
    }
    return {};
}

Opened open(QFile &file, const Output &output, Existing existing)
{
    const QString &path = output.path;
    const SaveTarget target = savetarget::inspect(path);
    if (target.refused())
        return refusal(
            QStringLiteral("%1: %2 Choose a regular file.").arg(displayName(output), target.refusal));

    Opened opened;
    opened.ok = true;
    if (target.kind == SaveTarget::Kind::Regular) {
        const qint64 size = QFileInfo(target.writePath).size();
        if (size > 0) {
            switch (existing) {
            case Existing::Refuse:
                return refusal(QStringLiteral("%1 already holds %2 bytes. Give --append to continue it or "
                                              "--force to replace it, or choose another file.")
                                   .arg(displayName(output))
                                   .arg(size));
            case Existing::Append: {
                const Tail tail = readTail(target.writePath, output.format, size);
                if (!tail.problem.isEmpty())
                    return refusal(QStringLiteral("%1 cannot be continued: %2. Give --force to replace it, "
                                                  "or choose another file.")
                                       .arg(displayName(output), tail.problem));
                opened.needsHeading = false;
                opened.lastNumber = tail.lastNumber;
                if (tail.cutLine)
                    opened.notice = QStringLiteral("%1 ended inside a line; the line was closed and the log "
                                                   "continues after it.")
                                        .arg(displayName(output));
                break;
            }
            case Existing::Replace:
                break;
            }
        }
    }

    // Without waiting: should a FIFO have been put there meanwhile, the open
    // neither blocks nor waits for a reader, and the check below refuses it.
    int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (existing == Existing::Append)
        flags |= O_APPEND;
    const int fd = ::open(QFile::encodeName(target.writePath).constData(), flags, 0666);
    if (fd < 0)
        return failure(
            QStringLiteral("cannot open %1 for writing: %2").arg(displayName(output), systemReason(errno)));
    const QString what = savetarget::describeDescriptor(fd);
    if (!what.isEmpty()) {
        ::close(fd);
        return refusal(QStringLiteral("%1: this is %2, not a regular file; nothing was written. Choose a "
                                      "regular file.")
                           .arg(displayName(output), what));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (existing != Existing::Append && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return failure(QStringLiteral("cannot empty %1: %2").arg(displayName(output), systemReason(error)));
    }
    file.setFileName(path);
    if (!file.open(fd,
                   QIODevice::WriteOnly |
                       (existing == Existing::Append ? QIODevice::Append : QIODevice::NotOpen),
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(
            QStringLiteral("cannot open %1 for writing: %2").arg(displayName(output), file.errorString()));
    }
    if (!opened.notice.isEmpty() && file.write("\r\n") != 2)
        return failure(QStringLiteral("cannot write %1: %2").arg(displayName(output), file.errorString()));
    return opened;
}

} // namespace logoutputs
