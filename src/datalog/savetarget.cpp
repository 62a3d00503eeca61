#include "datalog/savetarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// More links than this in a chain is a loop, as the system counts it.
constexpr int kMaxLinks = 40;

QString kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("a directory");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO (named pipe)");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

// The target of the link at `path`, made absolute against the link's folder.
QString readLink(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink(encoded.constData(), buffer.data(), buffer.size());
    if (n < 0 || n >= buffer.size())
        return {};
    buffer.resize(n);
    const QString target = QFile::decodeName(buffer);
    if (QDir::isAbsolutePath(target))
        return QDir::cleanPath(target);
    return QDir::cleanPath(QFileInfo(path).absolutePath() + QLatin1Char('/') + target);
}

SaveTarget refuse(const QString &path, const QString &writePath, const QString &what)
{
    SaveTarget target;
    target.kind = SaveTarget::Kind::Refused;
    target.writePath = writePath;
    target.what = what;
    if (writePath == path)
        target.refusal = QStringLiteral("This is %1, not a regular file; nothing was written.").arg(what);
    else
        target.refusal = QStringLiteral("This is a link to %1, which is %2, not a regular file; nothing was "
                                        "written.")
                             .arg(QDir::toNativeSeparators(writePath), what);
    return target;
}

} // namespace

namespace savetarget {

SaveTarget inspect(const QString &path)
{
    QString current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info = {};
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0) {
            SaveTarget target;
            target.kind = SaveTarget::Kind::Absent;
            target.writePath = current;
            return target;
        }
        if (S_ISLNK(info.st_mode)) {
            const QString next = readLink(current);
            if (next.isEmpty())
                return refuse(path, current, QStringLiteral("a link that cannot be read"));
            current = next;
            continue;
        }
        const QString what = kindOf(info.st_mode);
        if (!what.isEmpty())
            return refuse(path, current, what);
        SaveTarget target;
        target.kind = SaveTarget::Kind::Regular;
        target.writePath = current;
        return target;
    }
    return refuse(path, current, QStringLiteral("a loop of links"));
}

QString describeDescriptor(int fd)
{
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return QStringLiteral("not a regular file");
    return kindOf(info.st_mode);
}

} // namespace savetarget
