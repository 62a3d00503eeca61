#include "link/decoder.h"
#include "virtualmeter/benchsession.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr int kSessionFrames = 3000;
constexpr std::uint64_t kSeeds[] = {1, 2, 3, 42, 20240517};

std::vector<MeterFrame> session(std::uint64_t seed, int frames = kSessionFrames)
{
    BenchSession bench(seed);
    std::vector<MeterFrame> out;
    out.reserve(frames);
    for (int i = 0; i < frames; ++i)
        out.push_back(bench.next());
    return out;
}

} // namespace

TEST(BenchSession, SameSeedSameFramesOtherSeedOtherFrames)
{
    EXPECT_EQ(session(7), session(7));
    EXPECT_NE(session(7), session(8));
}

TEST(BenchSession, EveryFrameDecodesToAPlainReading)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]+\\.[0-9]+$"));
    for (std::uint64_t seed : kSeeds) {
        const auto frames = session(seed);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const Reading r = decodeMeterFrame(frames[i]);
            SCOPED_TRACE(testing::Message()
                         << "seed " << seed << " frame " << i << " text " << r.displayText.toStdString());
            ASSERT_TRUE(r.functionCaption.has_value());
            ASSERT_TRUE(r.rangeCaption.has_value());
            ASSERT_TRUE(r.unitCaption.has_value());
            ASSERT_GE(r.decimals, 1);
            if (r.overRange) {
                ASSERT_EQ(r.displayText, QStringLiteral(".OL"));
                continue;
            }
            ASSERT_TRUE(digits.match(r.displayText).hasMatch());
            ASSERT_LE(std::fabs(r.value), r.fullScale);
            // The text and the number tell the same reading.
            ASSERT_NEAR(r.displayText.toDouble(), r.value, 1e-9 * std::max(1.0, std::fabs(r.value)));
        }
    }
}

TEST(BenchSession, ASessionShowsWhatABenchSessionHolds)
{
    for (std::uint64_t seed : kSeeds) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::set<int> functions;
        std::set<int> dcRanges;
        int negative = 0, overRange = 0, hold = 0, rel = 0, dcVolts = 0;
        for (const MeterFrame &f : session(seed)) {
            const Reading r = decodeMeterFrame(f);
            functions.insert(f.functionCode);
            if (f.functionCode == 1)
                dcRanges.insert(f.rangeIndex);
            negative += r.value < 0;
            overRange += r.overRange;
            hold += f.hold;
            rel += f.rel;
            dcVolts += f.functionCode == 1;
        }
        EXPECT_GT(negative, 0);
        EXPECT_GT(overRange, 0);
        EXPECT_GT(hold, 0);
        EXPECT_GT(rel, 0);
        EXPECT_EQ(functions, (std::set<int>{0, 1, 2, 3, 4}));
        EXPECT_TRUE(dcRanges.contains(1) && dcRanges.contains(2)) << "4 V and 40 V ranges";
        EXPECT_GT(dcVolts, kSessionFrames / 2) << "DC volts make most of the session";
    }
}

// A held reading is frozen: the frame repeats, only the HOLD bit is added.
TEST(BenchSession, HoldFreezesThePrecedingReading)
{
    const auto frames = session(3);
    int holdStarts = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (!frames[i].hold)
            continue;
        MeterFrame unheld = frames[i];
        unheld.hold = false;
        if (!frames[i - 1].hold) {
            ++holdStarts;
            EXPECT_EQ(unheld, frames[i - 1]) << "frame " << i;
        } else {
            EXPECT_EQ(frames[i], frames[i - 1]) << "frame " << i;
        }
    }
    EXPECT_GT(holdStarts, 0);
}

TEST(BenchSession, AutoRangeStepsWithHysteresis)
{
    // A voltage-like set: 400 mV, 4 V, 40 V, 400 V.
    const BenchSession::RangeRow rows[] = {
        {0, 0.001, 0.01, 400}, {1, 1.0, 0.0001, 4}, {2, 1.0, 0.001, 40}, {3, 1.0, 0.01, 400}};
    struct Case
    {
        int current;
        double magnitude;
        int expected;
    };
    const Case cases[] = {
        {-1, 0.0, 0},  {-1, 0.3, 0}, {-1, 0.39, 0}, {0, 0.41, 1}, {1, 0.3, 0}, {-1, 3.0, 1},
        {1, 4.0, 1},   {1, 4.01, 2}, {2, 3.7, 2},   {2, 3.5, 1},  {2, 0.2, 0}, {0, 39.0, 2},
        {-1, 9999, 3}, {3, 500, 3},  {3, 35.0, 2},  {7, 1.0, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BenchSession::autoRange(rows, c.current, c.magnitude), c.expected)
            << "from " << c.current << " at " << c.magnitude;
}
