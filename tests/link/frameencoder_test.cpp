#include "link/decoder.h"
#include "link/frameencoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint16_t kCounts[] = {0, 1, 9, 0x10, 123, 4000, 12345, 27000, 40000, 40001, 0x8000, 65535};
constexpr std::uint64_t kNoiseSeeds[] = {0, 1, 0xDEADBEEF, 0xFFFFFFFFFFFFFFFFull};

// Every combination of the coded fields, with a spread of counts.
std::vector<MeterFrame> allFrames()
{
    std::vector<MeterFrame> frames;
    for (int function = 0; function < 16; ++function)
        for (int subMode = 0; subMode < 4; ++subMode)
            for (int range = 0; range < 8; ++range)
                for (int flags = 0; flags < 16; ++flags)
                    for (std::uint16_t count : kCounts) {
                        MeterFrame f;
                        f.functionCode = static_cast<std::uint8_t>(function);
                        f.subMode = static_cast<std::uint8_t>(subMode);
                        f.rangeIndex = static_cast<std::uint8_t>(range);
                        f.negative = flags & 1;
                        f.acPlusDc = flags & 2;
                        f.hold = flags & 4;
                        f.rel = flags & 8;
                        f.displayCount = count;
                        frames.push_back(f);
                    }
    return frames;
}

void expectSameReading(const Reading &a, const Reading &b)
{
    EXPECT_EQ(a.functionCaption, b.functionCaption);
    EXPECT_EQ(a.couplingCaption, b.couplingCaption);
    EXPECT_EQ(a.trmsShown, b.trmsShown);
    EXPECT_EQ(a.rangeCaption, b.rangeCaption);
    EXPECT_EQ(a.unitCaption, b.unitCaption);
    EXPECT_EQ(a.functionColumnText, b.functionColumnText);
    EXPECT_EQ(a.unitColumnText, b.unitColumnText);
    EXPECT_EQ(a.decimals, b.decimals);
    EXPECT_EQ(a.fullScale, b.fullScale);
    EXPECT_EQ(a.value, b.value);
    EXPECT_EQ(a.overRange, b.overRange);
    EXPECT_EQ(a.displayText, b.displayText);
    EXPECT_EQ(a.hold, b.hold);
    EXPECT_EQ(a.rel, b.rel);
    EXPECT_EQ(a.diodeSymbolShown, b.diodeSymbolShown);
}

} // namespace

TEST(FrameEncoder, ParseInvertsEncodeForEveryFieldAndNoise)
{
    for (std::uint64_t noise : kNoiseSeeds) {
        int mismatches = 0;
        for (const MeterFrame &f : allFrames()) {
            const auto bytes = encodeMeterFrame(f, noise);
            if (!(parseMeterFrame(bytes) == f) && ++mismatches <= 5)
                ADD_FAILURE() << "noise " << noise << " function " << int(f.functionCode) << " sub-mode "
                              << int(f.subMode) << " range " << int(f.rangeIndex) << " count "
                              << f.displayCount;
        }
        EXPECT_EQ(mismatches, 0) << "noise " << noise;
    }
}

TEST(FrameEncoder, NoiseLeavesTheDecodedReadingUnchanged)
{
    for (const MeterFrame &f : allFrames()) {
        const Reading original = decodeMeterFrame(f);
        const Reading roundTrip = decodeMeterFrame(parseMeterFrame(encodeMeterFrame(f, 0x5EED)));
        expectSameReading(roundTrip, original);
        if (HasFailure())
            FAIL() << "function " << int(f.functionCode) << " sub-mode " << int(f.subMode) << " range "
                   << int(f.rangeIndex) << " count " << f.displayCount;
    }
}

// The wire layout itself, independent of the parser: the count as four
// hexadecimal nibbles, the flags at their bits, nothing else set.
TEST(FrameEncoder, WithoutNoiseOnlyTheFieldBitsAreSet)
{
    MeterFrame f;
    f.displayCount = 40000; // 0x9C40
    f.negative = true;
    f.acPlusDc = true;
    f.rangeIndex = 5;
    f.subMode = 2;
    f.functionCode = 13;
    f.rel = true;
    f.hold = true;
    const std::array<std::uint8_t, kMeterFrameSize> expected{0,    0,    0x09, 0x0C, 0x04, 0x00, 0x09,
                                                             0x05, 0x02, 0x0D, 0x0C, 0,    0,    0};
    EXPECT_EQ(encodeMeterFrame(f), expected);
    EXPECT_EQ(encodeMeterFrame(MeterFrame{}), (std::array<std::uint8_t, kMeterFrameSize>{}));
}

// Noise must reach every ignored bit, or a decoder that reads one would pass.
TEST(FrameEncoder, NoiseReachesEveryIgnoredBit)
{
    const std::array<std::uint8_t, kMeterFrameSize> usedBits{0,    0,    0x0F, 0x0F, 0x0F, 0x0F, 0x09,
                                                             0x07, 0x03, 0x0F, 0x0C, 0,    0,    0};
    std::array<std::uint8_t, kMeterFrameSize> seenSet{};
    std::array<std::uint8_t, kMeterFrameSize> seenClear{};
    for (std::uint64_t seed = 1; seed <= 64; ++seed) {
        const auto bytes = encodeMeterFrame(MeterFrame{}, seed);
        for (std::size_t i = 0; i < kMeterFrameSize; ++i) {
            seenSet[i] |= bytes[i];
            seenClear[i] |= static_cast<std::uint8_t>(~bytes[i]);
            EXPECT_EQ(bytes[i] & usedBits[i], 0) << "byte " << i << " seed " << seed;
        }
    }
    for (std::size_t i = 0; i < kMeterFrameSize; ++i) {
        const auto ignored = static_cast<std::uint8_t>(~usedBits[i]);
        EXPECT_EQ(seenSet[i] & ignored, ignored) << "byte " << i;
        EXPECT_EQ(seenClear[i] & ignored, ignored) << "byte " << i;
    }
    EXPECT_NE(encodeMeterFrame(MeterFrame{}, 1), encodeMeterFrame(MeterFrame{}, 2));
    EXPECT_EQ(encodeMeterFrame(MeterFrame{}, 7), encodeMeterFrame(MeterFrame{}, 7));
}
