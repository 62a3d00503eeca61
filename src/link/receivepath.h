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
// The desktop program stays armed after a discard (its watchdog runs only
// while arming); the headless logger goes back to arming.
class ReceivePath : public QObject
{
    Q_OBJECT
public:
    // Receive threshold while reception is armed: one frame.
    static constexpr int kArmedThreshold = static_cast<int>(kMeterFrameSize);
    // Watchdog period.
    static constexpr int kWatchdogMs = 100;

    enum class AfterDiscard { StayArmed, Rearm };
    enum class Tick { Discarded, Armed, PortClosed };

    struct Frame
    {
        std::array<std::uint8_t, kMeterFrameSize> bytes{};
        MeterFrame frame;

        static Frame fromBytes(std::span<const std::uint8_t, kMeterFrameSize> bytes);
    };

    ReceivePath(SerialControl &port, AfterDiscard policy, QObject *parent = nullptr);

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
    // Frames taken and discards made since construction.
    std::int64_t framesTaken() const { return m_framesTaken; }
    std::int64_t discards() const { return m_discards; }

Q_SIGNALS:
    // Reception went back to arming after a discard (policy Rearm): the
    // owner starts its watchdog.
    void rearmNeeded();

private:
    void discard();

    SerialControl &m_port;
    AfterDiscard m_policy;
    std::int64_t m_framesTaken = 0;
    std::int64_t m_discards = 0;
};
