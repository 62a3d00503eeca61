#include "link/receiverules.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

} // namespace

TEST(ReceiveRules, NothingIsTakenBeforeAQuietTickArmsReception)
{
    ReceiveRules rules;
    const auto frame = bytes(14);
    EXPECT_FALSE(rules.receive(frame));
    EXPECT_EQ(rules.pending(), 14u);
    rules.tick(); // bytes waiting: discarded, still arming
    EXPECT_FALSE(rules.armed());
    EXPECT_EQ(rules.pending(), 0u);
    rules.tick();
    EXPECT_TRUE(rules.armed());
}

TEST(ReceiveRules, AFrameInSmallChunksIsTakenAtFourteenBytes)
{
    ReceiveRules rules;
    rules.tick();
    const auto frame = bytes(14, 40);
    std::span<const std::uint8_t> all(frame);
    EXPECT_FALSE(rules.receive(all.subspan(0, 5)));
    EXPECT_FALSE(rules.receive(all.subspan(5, 8)));
    const auto taken = rules.receive(all.subspan(13, 1));
    ASSERT_TRUE(taken);
    EXPECT_TRUE(std::equal(taken->begin(), taken->end(), frame.begin()));
    EXPECT_EQ(rules.pending(), 0u);
}

TEST(ReceiveRules, AnythingButFourteenIsDiscardedWhole)
{
    for (const bool rearm : {false, true}) {
        ReceiveRules rules(rearm);
        rules.tick();
        EXPECT_FALSE(rules.receive(bytes(28)));
        EXPECT_EQ(rules.pending(), 0u);
        // The desktop program stays armed; the logger waits for a quiet tick.
        EXPECT_EQ(rules.armed(), !rearm);
    }
    // Thirteen bytes raise no event; the next byte makes fourteen.
    ReceiveRules rules;
    rules.tick();
    EXPECT_FALSE(rules.receive(bytes(13)));
    EXPECT_EQ(rules.pending(), 13u);
    EXPECT_TRUE(rules.receive(bytes(1)));
}
