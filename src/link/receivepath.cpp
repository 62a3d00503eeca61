#include "link/receivepath.h"

#include "link/serialcontrol.h"

#include <algorithm>

ReceivePath::ReceivePath(SerialControl &port, AfterDiscard policy, QObject *parent)
    : QObject(parent), m_port(port), m_policy(policy)
{
}

ReceivePath::Frame ReceivePath::Frame::fromBytes(std::span<const std::uint8_t, kMeterFrameSize> bytes)
{
    Frame frame;
    std::copy(bytes.begin(), bytes.end(), frame.bytes.begin());
    frame.frame = parseMeterFrame(frame.bytes);
    return frame;
}

std::optional<ReceivePath::Frame> ReceivePath::takeFrame(bool accept)
{
    if (m_port.commEvent() != SerialControl::kEvReceive)
        return std::nullopt;
    if (m_port.inBufferCount() != kArmedThreshold || !accept) {
        discard();
        return std::nullopt;
    }
    const QByteArray bytes = m_port.input();
    // Whatever came in since the count was read goes as well; nothing is
    // left to discard in the usual case, and then the port is not touched.
    if (m_port.inBufferCount() > 0)
        m_port.discardInput();
    if (bytes.size() < static_cast<qsizetype>(kMeterFrameSize)) {
        discard();
        return std::nullopt;
    }
    ++m_framesTaken;
    return Frame::fromBytes(std::span<const std::uint8_t, kMeterFrameSize>(
        reinterpret_cast<const std::uint8_t *>(bytes.constData()), kMeterFrameSize));
}

void ReceivePath::discard()
{
    m_port.discardInput();
    ++m_discards;
    if (m_policy == AfterDiscard::Rearm) {
        pause();
        Q_EMIT rearmNeeded();
    }
}

void ReceivePath::pause()
{
    m_port.setRThreshold(0);
}

ReceivePath::Tick ReceivePath::watchdogTick()
{
    if (!m_port.portOpen())
        return Tick::PortClosed;
    if (m_port.inBufferCount() > 0) {
        m_port.discardInput();
        return Tick::Discarded;
    }
    m_port.setRThreshold(kArmedThreshold);
    return Tick::Armed;
}

bool ReceivePath::armed() const
{
    return m_port.portOpen() && m_port.rThreshold() == kArmedThreshold;
}
