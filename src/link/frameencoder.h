#pragma once

#include "link/meterframe.h"

#include <array>
#include <cstdint>

// The inverse of parseMeterFrame: writes a frame's fields into 14 bytes.
// Bits and bytes that the receiver ignores are filled from `noise`, so that a
// decoder relying on them would be caught; with noise 0 they are all zero.
std::array<std::uint8_t, kMeterFrameSize> encodeMeterFrame(const MeterFrame &frame, std::uint64_t noise = 0);
