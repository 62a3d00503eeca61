#pragma once

#include "link/meterframe.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The receive rules of the program as one deterministic state machine, with
// no port and no clock: bytes arrive in chunks into the receive buffer; a
// watchdog tick that finds the buffer empty arms reception (a tick that finds
// bytes discards them); an armed receiver raises its event when the bytes
// waiting rise from below 14 to 14 or more; the event takes a frame when
// exactly 14 are waiting and otherwise discards everything waiting.
//
// The desktop program stays armed after such a discard; the headless logger
// goes back to arming (`rearmAfterDiscard`). Both implement these rules over
// the serial control; this model states them for tests and the fuzz target.
class ReceiveRules
{
public:
    using Frame = std::array<std::uint8_t, kMeterFrameSize>;

    explicit ReceiveRules(bool rearmAfterDiscard = false) : m_rearmAfterDiscard(rearmAfterDiscard) {}

    // A chunk of bytes arrives. Returns the frame its event took, if any.
    std::optional<Frame> receive(std::span<const std::uint8_t> chunk);

    // A watchdog tick while reception is not armed.
    void tick();

    bool armed() const { return m_armed; }
    std::size_t pending() const { return m_buffer.size(); }

private:
    std::vector<std::uint8_t> m_buffer;
    bool m_armed = false;
    bool m_rearmAfterDiscard = false;
};
