#include "link/receivepath.h"

#include "link/serialcontrol.h"

#include <algorithm>

ReceivePath::ReceivePath(SerialControl &port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(&m_port, &SerialControl::arriving, this, &ReceivePath::bytesArriving);
}

void ReceivePath::bytesArriving(qint64 quietMs)
{
    if (quietMs <= kFrameGapMs)
        return;
    const int waiting = m_port.inBufferCount();
    if (waiting <= 0)
        return;
    m_staleBytes += waiting;
    m_port.discardInput();
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
