#include "link/frameencoder.h"

namespace {

// splitmix64: a small, well-mixed generator for the ignored bits. Seed 0 is
// reserved for "no noise" and never reaches it.
class NoiseBits
{
public:
    explicit NoiseBits(std::uint64_t seed) : m_state(seed), m_enabled(seed != 0) {}

    std::uint8_t next()
    {
        if (!m_enabled)
            return 0;
        m_state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint8_t>((z ^ (z >> 31)) & 0xFF);
    }

    // A byte whose bits under `mask` are `bits` and whose other bits are noise.
    std::uint8_t blend(std::uint8_t mask, std::uint8_t bits) { return (next() & ~mask) | (bits & mask); }

private:
    std::uint64_t m_state;
    bool m_enabled;
};

} // namespace

// Fields wider than their bits in the frame are cut to those bits, as the
// parser would read them back.
std::array<std::uint8_t, kMeterFrameSize> encodeMeterFrame(const MeterFrame &frame, std::uint64_t noise)
{
    NoiseBits noiseBits(noise);
    std::array<std::uint8_t, kMeterFrameSize> bytes{};

    bytes[0] = noiseBits.next();
    bytes[1] = noiseBits.next();
    for (int digit = 0; digit < 4; ++digit) {
        const int shift = 12 - 4 * digit;
        bytes[2 + digit] = noiseBits.blend(0x0F, static_cast<std::uint8_t>(frame.displayCount >> shift));
    }
    bytes[6] = noiseBits.blend(0x09, (frame.negative ? 0x01 : 0x00) | (frame.acPlusDc ? 0x08 : 0x00));
    bytes[7] = noiseBits.blend(0x07, frame.rangeIndex);
    bytes[8] = noiseBits.blend(0x03, frame.subMode);
    bytes[9] = noiseBits.blend(0x0F, frame.functionCode);
    bytes[10] = noiseBits.blend(0x0C, (frame.rel ? 0x04 : 0x00) | (frame.hold ? 0x08 : 0x00));
    for (std::size_t i = 11; i < kMeterFrameSize; ++i)
        bytes[i] = noiseBits.next();
    return bytes;
}
