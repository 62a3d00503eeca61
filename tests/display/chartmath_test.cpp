#include "app/numeric.h"
#include "app/sharedstate.h"
#include "display/bargraph.h"
#include "display/scaletable.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Numeric, RoundHalfEvenAndSaturation)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(122.5), 122);
    EXPECT_EQ(roundHalfEven(121.5), 122);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(Numeric, ShortestDecimal)
{
    EXPECT_EQ(shortestDecimal(250.0), "250");
    EXPECT_EQ(shortestDecimal(7.5), "7.5");
    EXPECT_EQ(shortestDecimal(0.25), "0.25");
    EXPECT_EQ(shortestDecimal(-1.25), "-1.25");
    EXPECT_EQ(shortestDecimal(-0.0), "0");
    EXPECT_EQ(shortestDecimal(1000.0), "1000");
    EXPECT_EQ(shortestDecimal(2.5, QLocale(QLocale::German)), "2,5");
}

TEST(BarGraph, SegmentsSignAndLabels)
{
    struct Case
    {
        double fullScale, value;
        bool over;
        std::optional<int> lit;
        bool minus;
    };
    for (Case c :
         {Case{400, 0, false, 0, false}, Case{400, 400, false, 40, false}, Case{400, -200, false, 20, true},
          Case{400, 5, false, 0, false}, Case{400, 15, false, 2, false}, Case{400, -400, true, 40, true},
          Case{1000, 1100, false, std::nullopt, false}, Case{4, 2.7, false, 27, false},
          Case{40, 4321, false, std::nullopt, false}}) {
        const BarUpdate u = computeBarUpdate(c.fullScale, c.value, c.over, QLocale::c());
        EXPECT_EQ(u.litThrough, c.lit) << c.fullScale << " " << c.value;
        EXPECT_EQ(u.minusShown, c.minus) << c.value;
    }
    EXPECT_EQ(computeBarUpdate(400, 1, false, QLocale::c()).scaleLabels,
              (std::array<QString, 4>{"100", "200", "300", "400"}));
    EXPECT_EQ(computeBarUpdate(10, 1, false, QLocale::c()).scaleLabels,
              (std::array<QString, 4>{"2.5", "5", "7.5", "10"}));
    EXPECT_EQ(computeBarUpdate(1000, 1, false, QLocale::c()).scaleLabels,
              (std::array<QString, 4>{"250", "500", "750", "1000"}));
    EXPECT_FALSE(computeBarUpdate(0, 1, false, QLocale::c()).litThrough.has_value());
}

TEST(ScaleTable, LookupStepsAndGraphLabels)
{
    EXPECT_EQ(scales::choices().size(), 9);
    EXPECT_EQ(scales::choices().front(), "4000");
    EXPECT_EQ(scales::choices().back(), "10");

    const auto ten = scales::lookup("10");
    EXPECT_EQ(ten.scale, 10);
    EXPECT_EQ(ten.displayLabels,
              (std::array<QString, 8>{"10", "7.5", "5", "2.5", "-2.5", "-5", "-7.5", "-10"}));
    EXPECT_EQ(scales::lookup("2000").displayLabels[1], "1500");
    for (const char *odd : {"123", "", "400 ", "4e2", "abc"}) {
        EXPECT_EQ(scales::lookup(odd).scale, 400) << odd;
        EXPECT_EQ(scales::lookup(odd).displayLabels[7], "-400");
    }

    QString text = "400";
    QStringList down;
    while (auto next = scales::smaller(text)) {
        text = *next;
        down << text;
    }
    EXPECT_EQ(down, (QStringList{"200", "100", "40", "20", "10"}));
    QStringList up;
    while (auto next = scales::larger(text)) {
        text = *next;
        up << text;
    }
    EXPECT_EQ(up, (QStringList{"20", "40", "100", "200", "400", "1000", "2000", "4000"}));
    EXPECT_EQ(scales::smaller("123"), QString("123"));

    const auto g = scales::graphLabels(1000);
    EXPECT_EQ((std::array<QString, 8>{g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7]}),
              (std::array<QString, 8>{"1000", "875", "750", "625", "500", "375", "250", "125"}));
    EXPECT_EQ(g[9], "-125");
    EXPECT_EQ(g[16], "-1000");
    EXPECT_EQ(scales::graphLabels(10)[1], "8.75");

    EXPECT_EQ(scales::toWholeScale("400"), 400);
    EXPECT_EQ(scales::toWholeScale("2.5"), 2);
    EXPECT_FALSE(scales::toWholeScale("abc"));
    EXPECT_FALSE(scales::toWholeScale("0"));
    EXPECT_FALSE(scales::toWholeScale("-10"));
}

TEST(Extremes, FirstReadingSetsBothThenEachMovesAlone)
{
    SharedState s;
    auto c = s.takeExtremes(-12.5);
    EXPECT_TRUE(c.minChanged && c.maxChanged);
    EXPECT_EQ(s.varmin, -12.5);
    EXPECT_EQ(s.varmax, -12.5);
    c = s.takeExtremes(3.0);
    EXPECT_FALSE(c.minChanged);
    EXPECT_TRUE(c.maxChanged);
    EXPECT_EQ(s.varmax, 3.0);
    c = s.takeExtremes(0.0);
    EXPECT_FALSE(c.minChanged || c.maxChanged);
    s.resetExtremes();
    c = s.takeExtremes(7.0);
    EXPECT_TRUE(c.minChanged && c.maxChanged);
}
