#include "platform/pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what, int err)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(err)));
}

void closeFd(int &fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    if (!create())
        closeAll();
}

PseudoTerminal::~PseudoTerminal()
{
    closeAll();
}

bool PseudoTerminal::create()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        m_error = systemError("posix_openpt", errno);
        return false;
    }
    if (::fcntl(m_master, F_SETFD, FD_CLOEXEC) < 0 ||
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) < 0) {
        m_error = systemError("fcntl", errno);
        return false;
    }
    if (::grantpt(m_master) < 0 || ::unlockpt(m_master) < 0) {
        m_error = systemError("grantpt/unlockpt", errno);
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = systemError("ptsname", errno);
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    // The kept slave fd is what holds the raw settings: terminal settings
    // belong to the tty, so a port opening the slave later starts from them
    // and restores them when it closes.
    m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveKeep < 0) {
        m_error = systemError("open slave", errno);
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_slaveKeep, &tio) < 0) {
        m_error = systemError("tcgetattr", errno);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_slaveKeep, TCSANOW, &tio) < 0) {
        m_error = systemError("tcsetattr", errno);
        return false;
    }
    return true;
}

void PseudoTerminal::closeAll()
{
    closeFd(m_master);
    closeFd(m_slaveKeep);
}

bool PseudoTerminal::isValid() const
{
    return m_master >= 0;
}

QString PseudoTerminal::slavePath() const
{
    return m_slavePath;
}

QString PseudoTerminal::errorString() const
{
    return m_error;
}

qint64 PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0) {
        m_error = QStringLiteral("the master side is closed");
        return -1;
    }
    if (bytes.isEmpty())
        return 0;
    for (;;) {
        const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0; // the slave's input queue is full
        m_error = systemError("write", errno);
        return -1;
    }
}

void PseudoTerminal::closeMaster()
{
    closeAll();
}
