#include "link/receiverules.h"

#include <algorithm>

std::optional<ReceiveRules::Frame> ReceiveRules::receive(std::span<const std::uint8_t> chunk)
{
    const std::size_t before = m_buffer.size();
    m_buffer.insert(m_buffer.end(), chunk.begin(), chunk.end());
    if (!m_armed || before >= kMeterFrameSize || m_buffer.size() < kMeterFrameSize)
        return std::nullopt;

    // The event: one frame when exactly 14 are waiting, else everything goes.
    std::optional<Frame> frame;
    if (m_buffer.size() == kMeterFrameSize) {
        frame.emplace();
        std::copy(m_buffer.begin(), m_buffer.end(), frame->begin());
    } else if (m_rearmAfterDiscard) {
        m_armed = false;
    }
    m_buffer.clear();
    return frame;
}

void ReceiveRules::tick()
{
    if (m_armed)
        return;
    if (m_buffer.empty())
        m_armed = true;
    else
        m_buffer.clear();
}
