#pragma once

#include "link/meterframe.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

class SerialControl;

// The receive rules both programs ship, over the serial control: receive
// events at 14 bytes waiting; an event takes a frame only when exactly 14
// bytes wait, and otherwise throws everything waiting away; reception is
// armed only by a watchdog tick that finds the buffer empty, so that the
// first event after arming starts on a frame boundary.
//
// Frames carry no marker: the pause between them is the only delimiter.
// Bytes that waited, short of a frame, through a quiet gap longer than any
// pause inside a frame are stale: when the next bytes come they are dropped
// (counted, never parsed), so the next frame starts clean. Both programs stay
// armed after a discard; the first gap re-synchronises them.
class ReceivePath : public QObject
{
    Q_OBJECT
public:
    // Receive threshold while reception is armed: one frame.
    static constexpr int kArmedThreshold = static_cast<int>(kMeterFrameSize);
    // Watchdog period.
    static constexpr int kWatchdogMs = 100;
    // A quiet line for longer than this ends whatever waits. Inside a frame
    // bytes follow each other within 4.2 ms on the wire (a USB bridge holds
    // them back for up to its latency, 16 to 40 ms); between the meter's
    // frames the line is silent for about 340 ms. 100 ms lies between, and is
    // the quiet the watchdog already takes as a frame boundary.
    static constexpr qint64 kFrameGapMs = 100;

    enum class Tick { Discarded, Armed, PortClosed };

    struct Frame
    {
        std::array<std::uint8_t, kMeterFrameSize> bytes{};
        MeterFrame frame;

        static Frame fromBytes(std::span<const std::uint8_t, kMeterFrameSize> bytes);
    };

    explicit ReceivePath(SerialControl &port, QObject *parent = nullptr);

    // The receive event: only a data-received event counts; with exactly 14
    // bytes waiting and `accept` (room in the store) the frame is read and
    // returned, otherwise everything waiting is discarded. The buffer is empty
    // afterwards in every case but a non-receive event, which touches nothing.
    std::optional<Frame> takeFrame(bool accept = true);

    // Pauses reception (threshold 0) until the watchdog re-arms it.
    void pause();

    // One watchdog tick: bytes waiting are discarded and arming goes on; an
    // empty buffer arms reception. A closed port is left untouched.
    Tick watchdogTick();

    bool armed() const;
    // Frames taken, discards made and stale bytes dropped at a gap since
    // construction.
    std::int64_t framesTaken() const { return m_framesTaken; }
    std::int64_t discards() const { return m_discards; }
    std::int64_t staleBytes() const { return m_staleBytes; }

    // New bytes after `quietMs` of silence while others wait: those are
    // stale past the frame gap and are dropped.
    void bytesArriving(qint64 quietMs);

private:
    void discard();

    SerialControl &m_port;
    std::int64_t m_framesTaken = 0;
    std::int64_t m_discards = 0;
    std::int64_t m_staleBytes = 0;
};
