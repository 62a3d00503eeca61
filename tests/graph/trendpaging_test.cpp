#include "graph/trendpaging.h"

#include <gtest/gtest.h>

namespace {

struct Window
{
    int start, count;
    bool browsing;
    friend bool operator==(const Window &, const Window &) = default;
    friend std::ostream &operator<<(std::ostream &os, const Window &w)
    {
        return os << w.start << "+" << w.count << (w.browsing ? " browsing" : " following");
    }
};

Window window(const SharedState &s)
{
    return {s.gViewStart, s.gViewCount, s.gViewBrowsing};
}

// A store holding n records, following the newest page.
void fill(SharedState &s, int n)
{
    s.empty();
    for (int i = 0; i < n; ++i)
        s.append({});
    paging::showNewest(s, n);
    s.gViewBrowsing = false;
}

} // namespace

TEST(TrendPaging, NewestPageWhileFollowing)
{
    SharedState s;
    struct Case
    {
        int n, start, count;
    };
    for (Case c : {Case{1, 1, 1}, Case{99, 1, 99}, Case{100, 1, 100}, Case{101, 101, 1}, Case{250, 201, 50},
                   Case{50000, 49901, 100}}) {
        paging::showNewest(s, c.n);
        EXPECT_EQ(s.gViewStart, c.start) << c.n;
        EXPECT_EQ(s.gViewCount, c.count) << c.n;
    }
    paging::showNewest(s, 101);
    EXPECT_EQ(paging::xAxisLabels(s), (std::array<QString, 3>{"101", "150", "200"}));
}

TEST(TrendPaging, WalkBackAndForthThrough250Records)
{
    SharedState s;
    fill(s, 250);
    EXPECT_EQ(window(s), (Window{201, 50, false}));
    EXPECT_EQ(paging::xAxisLabels(s), (std::array<QString, 3>{"201", "250", "300"}));

    ASSERT_TRUE(paging::previousPage(s));
    EXPECT_EQ(window(s), (Window{101, 100, true}));
    ASSERT_TRUE(paging::previousPage(s));
    EXPECT_EQ(window(s), (Window{1, 100, true}));
    EXPECT_FALSE(paging::previousPage(s));
    EXPECT_EQ(window(s), (Window{1, 100, true}));

    ASSERT_TRUE(paging::nextPage(s)); // e = 149
    EXPECT_EQ(window(s), (Window{101, 100, true}));
    ASSERT_TRUE(paging::nextPage(s)); // e = 49: back to following
    EXPECT_EQ(window(s), (Window{201, 50, false}));
    EXPECT_FALSE(paging::nextPage(s));
}

TEST(TrendPaging, NextPageStopsShortOfAPartialNewestPage)
{
    SharedState s;
    fill(s, 301);
    s.gViewStart = 101;
    s.gViewCount = 100;
    s.gViewBrowsing = true;
    ASSERT_TRUE(paging::nextPage(s)); // e = 100: still browsing
    EXPECT_EQ(window(s), (Window{201, 100, true}));
    EXPECT_FALSE(paging::nextPage(s)); // d = 100
    ASSERT_TRUE(paging::newestPage(s));
    EXPECT_EQ(window(s), (Window{301, 1, false}));

    fill(s, 300);
    ASSERT_TRUE(paging::firstPage(s));
    ASSERT_TRUE(paging::nextPage(s));
    EXPECT_EQ(window(s), (Window{101, 100, true}));
    ASSERT_TRUE(paging::nextPage(s));
    EXPECT_EQ(window(s), (Window{201, 100, false}));
}

TEST(TrendPaging, StepsThatDoNothing)
{
    SharedState s; // empty store
    for (auto step : {paging::firstPage, paging::previousPage, paging::newestPage, paging::nextPage}) {
        EXPECT_FALSE(step(s));
        EXPECT_EQ(window(s), (Window{1, 0, false}));
    }
    fill(s, 100);
    EXPECT_FALSE(paging::firstPage(s));
    EXPECT_FALSE(paging::nextPage(s));
    ASSERT_TRUE(paging::newestPage(s));
    EXPECT_EQ(window(s), (Window{1, 100, false}));

    fill(s, 101);
    ASSERT_TRUE(paging::firstPage(s));
    EXPECT_FALSE(paging::nextPage(s)); // d = 100
    EXPECT_EQ(window(s), (Window{1, 100, true}));
}

TEST(TrendPaging, FirstPageFrom150ThenNextFollowsAgain)
{
    SharedState s;
    fill(s, 150);
    ASSERT_TRUE(paging::firstPage(s));
    EXPECT_EQ(window(s), (Window{1, 100, true}));
    ASSERT_TRUE(paging::nextPage(s));
    EXPECT_EQ(window(s), (Window{101, 50, false}));
}
