#include "link/frameencoder.h"
#include "platform/qtserialcontrol.h"
#include "virtualmeter/benchsession.h"
#include "virtualmeter/virtualmeter.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// Reads the slave side raw, without a serial port in between.
class SlaveReader
{
public:
    explicit SlaveReader(const QString &path)
        : m_fd(::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY))
    {
    }
    ~SlaveReader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    QByteArray readAll()
    {
        QByteArray all;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        return all;
    }

private:
    int m_fd;
};

std::vector<MeterFrame> framesOf(const QSignalSpy &spy)
{
    std::vector<MeterFrame> frames;
    for (const QList<QVariant> &args : spy)
        frames.push_back(args.at(0).value<MeterFrame>());
    return frames;
}

MeterFrame parseAt(const QByteArray &bytes, qsizetype frameIndex)
{
    const auto *data =
        reinterpret_cast<const std::uint8_t *>(bytes.constData()) + frameIndex * kMeterFrameSize;
    return parseMeterFrame(std::span<const std::uint8_t, kMeterFrameSize>(data, kMeterFrameSize));
}

} // namespace

// What reaches the port is the bench session of the seed, whole frames in
// order, with the ignored bits noisy; the limit ends the run.
TEST(VirtualMeter, SendsTheSessionOfItsSeedUpToTheLimit)
{
    VirtualMeter meter({.intervalMs = 60, .seed = 11, .frameLimit = 6, .noisyBits = true});
    ASSERT_TRUE(meter.portName().isEmpty());
    ASSERT_TRUE(meter.start()) << meter.errorString().toStdString();
    SlaveReader slave(meter.portName());
    ASSERT_TRUE(slave.isOpen());
    QSignalSpy written(&meter, &VirtualMeter::frameWritten);
    QSignalSpy finished(&meter, &VirtualMeter::finished);

    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(meter.framesWritten(), 6);
    EXPECT_EQ(meter.bytesDropped(), 0);
    ASSERT_EQ(written.count(), 6);
    EXPECT_EQ(written.at(5).at(1).toInt(), 6);

    BenchSession session(11);
    const QByteArray bytes = slave.readAll();
    ASSERT_EQ(bytes.size(), 6 * qsizetype(kMeterFrameSize));
    bool anyNoise = false;
    const auto frames = framesOf(written);
    for (int i = 0; i < 6; ++i) {
        const MeterFrame expected = session.next();
        EXPECT_EQ(frames[i], expected) << "frame " << i;
        EXPECT_EQ(parseAt(bytes, i), expected) << "frame " << i;
        const auto quiet = encodeMeterFrame(expected);
        anyNoise |= bytes.mid(i * kMeterFrameSize, kMeterFrameSize) !=
                    QByteArray(reinterpret_cast<const char *>(quiet.data()), kMeterFrameSize);
    }
    EXPECT_TRUE(anyNoise);
}

TEST(VirtualMeter, StopKeepsThePortAndStartResumesTheSession)
{
    VirtualMeter meter({.intervalMs = 60, .seed = 5});
    ASSERT_TRUE(meter.start());
    const QString port = meter.portName();
    QSignalSpy written(&meter, &VirtualMeter::frameWritten);
    ASSERT_TRUE(written.wait(5000));
    meter.stop();
    EXPECT_FALSE(meter.isRunning());
    const int before = meter.framesWritten();

    ASSERT_TRUE(meter.start());
    EXPECT_EQ(meter.portName(), port);
    ASSERT_TRUE(written.wait(5000));
    meter.stop();

    BenchSession session(5);
    for (const MeterFrame &frame : framesOf(written))
        EXPECT_EQ(frame, session.next());
    EXPECT_GT(meter.framesWritten(), before);
}

// A port open on the meter sees its link drop when the meter is unplugged.
TEST(VirtualMeter, UnplugDropsTheLinkOfAnOpenPort)
{
    VirtualMeter meter({.intervalMs = 60});
    ASSERT_TRUE(meter.start());
    QtSerialControl serial;
    serial.setCommPort(meter.portName());
    ASSERT_TRUE(serial.open()) << serial.errorString().toStdString();
    QSignalSpy lost(&serial, &SerialControl::linkLost);

    meter.unplug();
    EXPECT_FALSE(meter.isRunning());
    EXPECT_FALSE(meter.start());
    ASSERT_TRUE(lost.wait(5000));
    EXPECT_TRUE(lost.at(0).at(0).toString().contains(meter.portName()));
}
