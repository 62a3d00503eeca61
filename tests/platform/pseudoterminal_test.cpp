// The pseudo-terminal used to stand in for the receiver: raw bytes, writes
// that never block, and a hang-up on the slave side when the master closes.
#include "platform/pseudoterminal.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A plain fd on the slave, opened the way a serial port is.
class SlaveFd
{
public:
    explicit SlaveFd(const QString &path)
        : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~SlaveFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int fd() const { return m_fd; }

    // Reads until `count` bytes came or 10 s passed.
    QByteArray read(int count) const
    {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < 10000) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.append(buffer, n);
        }
        return bytes;
    }

private:
    int m_fd = -1;
};

TEST(PseudoTerminal, SlaveIsRawBeforeAnyPortOpensIt)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isValid()) << qPrintable(pty.errorString());
    ASSERT_TRUE(pty.slavePath().startsWith(QStringLiteral("/dev/pts/")));
    SlaveFd slave(pty.slavePath());
    ASSERT_GE(slave.fd(), 0);

    termios tio{};
    ASSERT_EQ(::tcgetattr(slave.fd(), &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON), 0u);

    // Every byte value, control characters included, arrives unchanged.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    ASSERT_EQ(pty.write(all), all.size());
    EXPECT_EQ(slave.read(all.size()), all);
}

TEST(PseudoTerminal, WritesStopWithoutBlockingWhenNobodyReads)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isValid());
    const QByteArray block(4096, 'x');
    qint64 total = 0;
    qint64 last = -1;
    for (int i = 0; i < 1000 && last != 0; ++i) {
        last = pty.write(block);
        ASSERT_GE(last, 0) << qPrintable(pty.errorString());
        total += last;
    }
    EXPECT_EQ(last, 0);     // the queue filled up and write() returned
    EXPECT_GT(total, 1024); // after holding at least a receive buffer's worth
}

TEST(PseudoTerminal, ClosingTheMasterHangsUpTheSlave)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isValid());
    SlaveFd slave(pty.slavePath());
    ASSERT_GE(slave.fd(), 0);

    pty.closeMaster();
    pty.closeMaster();
    EXPECT_FALSE(pty.isValid());
    EXPECT_EQ(pty.write("abc"), -1);
    EXPECT_FALSE(pty.errorString().isEmpty());

    pollfd p{slave.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1);
    EXPECT_NE(p.revents & (POLLHUP | POLLERR | POLLIN), 0);
    char byte = 0;
    const ssize_t n = ::read(slave.fd(), &byte, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " errno " << errno;
}

} // namespace
