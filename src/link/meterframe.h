#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// One 14-byte frame as the meter sends it. Bytes 0, 1, 11, 12 and 13 are not
// read; of the others only the bits below count, every other bit is ignored.
inline constexpr std::size_t kMeterFrameSize = 14;

struct MeterFrame
{
    std::uint16_t displayCount = 0; // four hexadecimal nibbles, bytes 2..5 (low nibbles)
    bool negative = false;          // byte 6, bit 0x01
    bool acPlusDc = false;          // byte 6, bit 0x08
    std::uint8_t rangeIndex = 0;    // byte 7, 0x07
    std::uint8_t subMode = 0;       // byte 8, 0x03
    std::uint8_t functionCode = 0;  // byte 9, 0x0F
    bool rel = false;               // byte 10, bit 0x04
    bool hold = false;              // byte 10, bit 0x08

    friend bool operator==(const MeterFrame &, const MeterFrame &) = default;
};

// Every byte pattern yields a frame; nothing is validated.
MeterFrame parseMeterFrame(std::span<const std::uint8_t, kMeterFrameSize> bytes);
