#include "quenvo-log/consoleout.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines in a piece of output: its line feeds, and one for a piece without any.
qint64 linesIn(const char *data, qint64 length)
{
    return std::max<qint64>(1, std::count(data, data + length, '\n'));
}

} // namespace

ConsoleOut::ConsoleOut(int fd, QObject *parent) : QIODevice(parent), m_fd(fd)
{
    struct stat info = {};
    m_direct = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // A descriptor that is not open fails at the first write, which says so.
    if (!m_direct && ::fcntl(fd, F_GETFL) >= 0) {
        // A pipe or a terminal opened anew is a description of its own, so
        // making it non-blocking does not touch the one shared with the shell
        // or the other programs of the pipeline. A socket cannot be opened
        // that way; its own description is switched and later restored.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        m_ownFd = ::open(self.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (m_ownFd >= 0) {
            m_fd = m_ownFd;
        } else {
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags >= 0 && !(flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0)
                m_restoreFlags = flags;
        }
        m_writable = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        m_writable->setEnabled(false);
        connect(m_writable, &QSocketNotifier::activated, this, &ConsoleOut::onWritable);
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

ConsoleOut::~ConsoleOut()
{
    if (m_ownFd >= 0)
        ::close(m_ownFd);
    if (m_restoreFlags >= 0)
        ::fcntl(m_fd, F_SETFL, m_restoreFlags);
}

qint64 ConsoleOut::writeData(const char *data, qint64 length)
{
    if (m_failed)
        return -1;
    if (m_direct) {
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::write(m_fd, data + done, std::size_t(length - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                fail(n < 0 ? errno : EIO);
                return -1;
            }
            done += n;
        }
        return length;
    }
    if (!drain())
        return -1;
    qint64 done = 0;
    if (m_queue.empty()) {
        while (done < length) {
            const ssize_t n = ::write(m_fd, data + done, std::size_t(length - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (n <= 0) {
                fail(n < 0 ? errno : EIO);
                return -1;
            }
            done += n;
        }
        if (done == length)
            return length;
    }
    if (!m_writable) {
        fail(EBADF);
        return -1;
    }
    // What is left of a line begun always waits (a line is never cut); a
    // whole line waits only while the queue has room.
    if (done == 0 && m_queuedBytes + length > kQueueBytes) {
        m_dropped += linesIn(data, length);
        return length;
    }
    m_queue.emplace_back(data + done, length - done);
    m_queuedBytes += length - done;
    m_writable->setEnabled(true);
    return length;
}

bool ConsoleOut::drain()
{
    while (!m_queue.empty()) {
        const QByteArray &front = m_queue.front();
        const ssize_t n =
            ::write(m_fd, front.constData() + m_headOffset, std::size_t(front.size() - m_headOffset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        m_headOffset += n;
        m_queuedBytes -= n;
        if (m_headOffset == front.size()) {
            m_queue.pop_front();
            m_headOffset = 0;
        }
        Q_EMIT bytesWritten(n);
    }
    if (m_writable)
        m_writable->setEnabled(false);
    return true;
}

void ConsoleOut::onWritable()
{
    drain();
}

bool ConsoleOut::fail(int error)
{
    m_failed = true;
    if (m_writable)
        m_writable->setEnabled(false);
    setErrorString(QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

qint64 ConsoleOut::finish()
{
    if (!m_failed)
        drain();
    for (const QByteArray &waiting : m_queue) {
        m_dropped += linesIn(waiting.constData() + m_headOffset, waiting.size() - m_headOffset);
        m_headOffset = 0;
    }
    m_queue.clear();
    m_headOffset = 0;
    m_queuedBytes = 0;
    if (m_writable)
        m_writable->setEnabled(false);
    return m_dropped;
}
