#include "app/sharedstate.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SharedState, StartValues)
{
    SharedState s;
    EXPECT_EQ(s.gRecords.size(), 50000u);
    EXPECT_EQ(s.gRecordCount(), 0);
    EXPECT_EQ(s.gViewStart, 1);
    EXPECT_EQ(s.gViewCount, 0);
    EXPECT_FALSE(s.gViewBrowsing);
    EXPECT_EQ(s.gGraphScale, 400);
    EXPECT_TRUE(SharedState::isUnsetMark(s.varmax));
    EXPECT_TRUE(SharedState::isUnsetMark(s.varmin));
    for (const PlotPoint &p : s.gPlotPoints)
        EXPECT_EQ(p.number | p.x | p.y, 0);
}

TEST(SharedState, AppendKeepsNumberEqualToIndexPlusOneUpToCapacity)
{
    SharedState s;
    const MeasurementRecord *storage = s.gRecords.data();
    for (int i = 0; i < SharedState::kCapacity; ++i)
        s.append({0, i * 0.5, QStringLiteral("VDC"), QStringLiteral("t"), QStringLiteral("V"),
                  QStringLiteral("d")});
    EXPECT_TRUE(s.isFull());
    EXPECT_EQ(s.gRecordCount(), 50000);
    EXPECT_EQ(s.gRecords[49999].number, 50000);
    EXPECT_EQ(s.gRecords.size(), 50000u);
    EXPECT_EQ(s.gRecords.data(), storage); // never reallocated
    for (int i = 0; i < s.gRecordCount(); ++i)
        ASSERT_EQ(s.gRecords[static_cast<std::size_t>(i)].number, i + 1);
}

TEST(SharedState, EmptyingRestartsAtIndexZeroOverStaleRecords)
{
    SharedState s;
    for (int i = 0; i < 5; ++i)
        s.append(
            {0, double(i), QStringLiteral("VDC"), QString(), QStringLiteral("V"), QStringLiteral("old")});
    s.gViewStart = 1;
    s.gViewCount = 5;
    s.empty();
    EXPECT_EQ(s.gRecordCount(), 0);
    EXPECT_EQ(s.gViewCount, 5); // the trend window is left for the next reading to move
    EXPECT_EQ(s.gRecords[3].data, QStringLiteral("old"));

    EXPECT_EQ(
        s.append({0, 9.0, QStringLiteral("TEMP"), QString(), QStringLiteral("C"), QStringLiteral("new")}), 1);
    EXPECT_EQ(s.gRecords[0].number, 1);
    EXPECT_EQ(s.gRecords[0].data, QStringLiteral("new"));
}

TEST(SharedState, UnsetMarkIsBitExact)
{
    EXPECT_TRUE(SharedState::isUnsetMark(50000.0));
    EXPECT_FALSE(SharedState::isUnsetMark(std::nextafter(50000.0, 0.0)));
    EXPECT_FALSE(SharedState::isUnsetMark(-50000.0));
    EXPECT_FALSE(SharedState::isUnsetMark(4000.0));
    SharedState s;
    s.varmax = 3.0;
    s.varmin = -1.0;
    s.resetExtremes();
    EXPECT_TRUE(SharedState::isUnsetMark(s.varmax) && SharedState::isUnsetMark(s.varmin));
}
