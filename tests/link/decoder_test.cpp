#include "link/decoder.h"
#include "link/meterframe.h"
#include "support/meterframes.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using testframes::frame;

std::array<std::uint8_t, 14> bytes(std::initializer_list<std::pair<int, std::uint8_t>> set)
{
    std::array<std::uint8_t, 14> b{};
    for (auto [i, v] : set)
        b[static_cast<std::size_t>(i)] = v;
    return b;
}

} // namespace

TEST(MeterFrameParse, CountIsFourHexNibblesIgnoringUpperBits)
{
    EXPECT_EQ(parseMeterFrame(bytes({{2, 0x0F}, {3, 0x0F}, {4, 0x0F}, {5, 0x0F}})).displayCount, 65535);
    const auto clean = parseMeterFrame(bytes({{2, 0x09}, {3, 0x0C}, {4, 0x04}, {5, 0x00}}));
    const auto noisy = parseMeterFrame(bytes({{2, 0x19}, {3, 0x2C}, {4, 0x34}, {5, 0x40}}));
    EXPECT_EQ(clean.displayCount, 40000);
    EXPECT_EQ(noisy, clean);
}

TEST(MeterFrameParse, FieldMasks)
{
    EXPECT_EQ(parseMeterFrame(bytes({{9, 0x13}})).functionCode, 3);
    EXPECT_EQ(parseMeterFrame(bytes({{8, 0xFE}})).subMode, 2);
    EXPECT_EQ(parseMeterFrame(bytes({{7, 0xF9}})).rangeIndex, 1);

    const auto both = parseMeterFrame(bytes({{6, 0x09}, {10, 0x0C}}));
    EXPECT_TRUE(both.negative && both.acPlusDc && both.hold && both.rel);
    const auto neither = parseMeterFrame(bytes({{6, 0xF6}, {10, 0xF3}}));
    EXPECT_FALSE(neither.negative || neither.acPlusDc || neither.hold || neither.rel);
}

TEST(MeterFrameParse, UnreadBytesChangeNothing)
{
    auto b = bytes({{2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 1}, {7, 2}, {8, 1}, {9, 5}, {10, 8}});
    const auto reference = parseMeterFrame(b);
    for (int i : {0, 1, 11, 12, 13})
        b[static_cast<std::size_t>(i)] = 0xA5;
    EXPECT_EQ(parseMeterFrame(b), reference);
}

// Digits, sign, over-range and the over-range clamp on the 400 mV range.
struct TextCase
{
    int function, subMode, range, count;
    bool negative;
    const char *text;
    double value;
    bool overRange;
};

class DecoderText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(DecoderText, TextValueAndOverRange)
{
    const TextCase &c = GetParam();
    const Reading r = decodeMeterFrame(frame(c.function, c.subMode, c.range, c.count, c.negative));
    EXPECT_EQ(r.displayText, QString::fromUtf8(c.text));
    EXPECT_DOUBLE_EQ(r.value, c.value);
    EXPECT_EQ(r.overRange, c.overRange);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderText,
    ::testing::Values(
        TextCase{0, 0, 0, 12345, false, "123.45", 123.45, false},
        TextCase{0, 0, 0, 123, false, "001.23", 1.23, false},
        TextCase{0, 0, 0, 0, false, "000.00", 0.0, false},
        TextCase{0, 0, 0, 40000, false, "400.00", 400.0, false},
        TextCase{0, 0, 0, 40001, false, ".OL", 400.0, true},
        TextCase{0, 0, 0, 40001, true, ".OL", -400.0, true},
        TextCase{0, 0, 0, 12345, true, "-123.45", -123.45, false},
        TextCase{3, 1, 0, 27000, false, "2.7000", 2.7, false}, // diode limit lies below its full scale
        TextCase{3, 1, 5, 27001, false, ".OL", 2.7, true}, TextCase{3, 3, 4, 65535, false, ".OL", 40.0, true},
        TextCase{4, 0, 0, 11000, false, "1100.0", 1100.0, false}, // above full scale, below the limit
        TextCase{4, 0, 0, 12001, false, ".OL", 1200.0, true},
        TextCase{4, 1, 3, 21921, false, ".OL", 2192.0, true},
        TextCase{7, 0, 0, 12500, false, "125.00", 125.0, false},
        TextCase{7, 0, 0, 12501, false, ".OL", 125.0, true},
        TextCase{5, 0, 6, 10000, false, "10.000", 10.0, false},
        TextCase{4, 2, 0, 1234, false, "0123.4", 123.4, false}, // tenths without a range
        TextCase{1, 2, 0, 1234, false, "01234", 1234.0, false}, // no range row: plain count
        TextCase{12, 0, 0, 65535, true, "-65535", -65535.0, false}));

TEST(Decoder, AcVoltageCaptions)
{
    const Reading ac = decodeMeterFrame(frame(0, 0, 0, 12345));
    EXPECT_EQ(ac.functionCaption, QStringLiteral("VAC/HZ/%"));
    EXPECT_EQ(ac.couplingCaption, QStringLiteral("AC"));
    EXPECT_EQ(ac.trmsShown, true);
    EXPECT_EQ(ac.rangeCaption, QStringLiteral("400mV (0.01mV)"));
    EXPECT_EQ(ac.unitCaption, QStringLiteral("mV"));
    EXPECT_EQ(ac.functionColumnText, QStringLiteral("VAC"));
    EXPECT_EQ(ac.unitColumnText, QStringLiteral("mV"));
    EXPECT_EQ(ac.decimals, 2);
    EXPECT_EQ(ac.fullScale, 400.0);
    EXPECT_FALSE(ac.diodeSymbolShown);

    EXPECT_EQ(decodeMeterFrame(frame(0, 0, 0, 1, false, true)).couplingCaption, QStringLiteral("AC+DC"));
}

TEST(Decoder, TenAmpsDc)
{
    const Reading r = decodeMeterFrame(frame(5, 0, 3, 10000));
    EXPECT_EQ(r.unitCaption, QStringLiteral("A"));
    EXPECT_EQ(r.couplingCaption, QStringLiteral("DC"));
    EXPECT_EQ(r.trmsShown, false);
    EXPECT_EQ(r.rangeCaption, QStringLiteral("10A  (0.001A)"));
}

TEST(Decoder, MilliampRangeOneIsThe400Row)
{
    for (int range = 0; range < 8; ++range) {
        const Reading r = decodeMeterFrame(frame(6, 0, range, 100));
        if (range == 1) {
            EXPECT_EQ(r.rangeCaption, QStringLiteral("400mA  (0.01mA)"));
            EXPECT_EQ(r.fullScale, 400.0);
        } else {
            EXPECT_EQ(r.rangeCaption, QStringLiteral("40mA  (0.001mA)")) << range;
            EXPECT_EQ(r.fullScale, 40.0);
        }
    }
    EXPECT_EQ(decodeMeterFrame(frame(8, 1, 1, 100)).rangeCaption, QStringLiteral("4000uA (0.1uA)"));
    EXPECT_EQ(decodeMeterFrame(frame(8, 1, 4, 100)).rangeCaption, QStringLiteral("400uA (0.01uA)"));
}

TEST(Decoder, SubModesWithoutCouplingLeaveItUnset)
{
    const Reading r = decodeMeterFrame(frame(6, 2, 0, 100));
    EXPECT_FALSE(r.couplingCaption.has_value());
    EXPECT_FALSE(r.trmsShown.has_value());
    EXPECT_EQ(r.functionColumnText, QStringLiteral("mA"));

    const Reading onlyCaption = decodeMeterFrame(frame(0, 3, 0, 100));
    EXPECT_EQ(onlyCaption.functionCaption, QStringLiteral("VAC/HZ/%"));
    EXPECT_FALSE(onlyCaption.couplingCaption || onlyCaption.trmsShown || onlyCaption.rangeCaption ||
                 onlyCaption.unitCaption || onlyCaption.functionColumnText || onlyCaption.unitColumnText);
    EXPECT_EQ(onlyCaption.decimals, 0);
}

TEST(Decoder, FunctionNineReadsVolts)
{
    const Reading r = decodeMeterFrame(frame(9, 0, 2, 12345));
    EXPECT_EQ(r.displayText, QStringLiteral("12.345"));
    EXPECT_EQ(r.unitCaption, QStringLiteral("V"));
    EXPECT_EQ(r.unitColumnText, QStringLiteral("V"));
    EXPECT_EQ(r.rangeCaption, QStringLiteral("40V (0.001V)"));
    EXPECT_EQ(r.fullScale, 40.0);
    EXPECT_TRUE(decodeMeterFrame(frame(9, 0, 2, 65535)).overRange);
    EXPECT_EQ(decodeMeterFrame(frame(9, 0, 0, 100)).unitColumnText, QStringLiteral("mV"));
}

TEST(Decoder, CorrectedResolutionCaptions)
{
    EXPECT_EQ(decodeMeterFrame(frame(2, 0, 5, 1)).rangeCaption, QStringLiteral("4MHz (0.0001MHz)"));
    EXPECT_EQ(decodeMeterFrame(frame(3, 0, 4, 1)).rangeCaption, QString::fromUtf8("4MΩ  (0.0001MΩ)"));
    EXPECT_EQ(decodeMeterFrame(frame(3, 1, 0, 1)).rangeCaption, QStringLiteral("4V  (0.0001V)"));
    // Untouched captions keep their spacing exactly.
    EXPECT_EQ(decodeMeterFrame(frame(0, 2, 0, 1)).rangeCaption, QStringLiteral(" 0.1 to 99.90%  (0.01%)"));
    EXPECT_EQ(decodeMeterFrame(frame(5, 3, 0, 1)).rangeCaption, QStringLiteral("0.1 to 99.90%  (0.01%)"));
    EXPECT_EQ(decodeMeterFrame(frame(3, 0, 0, 1)).unitCaption, QString::fromUtf8("Ω"));
}

TEST(Decoder, CodesWithoutRowsGiveOnlyTheCount)
{
    for (int function = 10; function < 16; ++function) {
        MeterFrame f = frame(function, 1, 2, 4321);
        f.hold = true;
        const Reading r = decodeMeterFrame(f);
        EXPECT_FALSE(r.functionCaption || r.couplingCaption || r.trmsShown || r.rangeCaption ||
                     r.unitCaption || r.functionColumnText || r.unitColumnText);
        EXPECT_EQ(r.value, 4321.0);
        EXPECT_EQ(r.fullScale, 40.0);
        EXPECT_TRUE(r.hold);
        EXPECT_FALSE(r.diodeSymbolShown);
    }
}

TEST(Decoder, MissingRangeRowsKeepTheDefaults)
{
    struct Gap
    {
        int function, subMode, range;
    };
    for (Gap g : {Gap{0, 0, 5}, Gap{1, 0, 7}, Gap{3, 0, 6}, Gap{3, 3, 0}, Gap{9, 1, 5}, Gap{1, 3, 0}}) {
        const Reading r = decodeMeterFrame(frame(g.function, g.subMode, g.range, 2500));
        EXPECT_FALSE(r.rangeCaption.has_value()) << g.function << '/' << g.subMode << '/' << g.range;
        EXPECT_FALSE(r.unitCaption.has_value());
        EXPECT_EQ(r.decimals, 0);
        EXPECT_EQ(r.value, 2500.0);
        EXPECT_EQ(r.displayText, QStringLiteral("02500"));
    }
}

// The value is the decimal number the display shows, so exact halves of the
// bar and chart arithmetic are met exactly.
TEST(Decoder, ValueIsTheDisplayedDecimal)
{
    for (int count = 0; count <= 65535; count += 7) {
        const Reading r = decodeMeterFrame(frame(2, 0, 2, count)); // 4 decimals
        if (r.overRange)
            continue;
        EXPECT_EQ(r.value, r.displayText.toDouble()) << count;
    }
    EXPECT_EQ(decodeMeterFrame(frame(1, 0, 0, 500)).value, 5.0);
}

TEST(Decoder, EveryCodeCombinationDecodesConsistently)
{
    for (int function = 0; function < 16; ++function)
        for (int subMode = 0; subMode < 4; ++subMode)
            for (int range = 0; range < 8; ++range)
                for (int count : {0, 1, 39999, 40000, 40001, 65535}) {
                    for (bool negative : {false, true}) {
                        const Reading r = decodeMeterFrame(frame(function, subMode, range, count, negative));
                        ASSERT_GT(r.fullScale, 0.0);
                        ASSERT_TRUE(std::isfinite(r.value));
                        if (r.overRange) {
                            EXPECT_EQ(r.displayText, QStringLiteral(".OL"));
                            EXPECT_EQ(r.value < 0, negative);
                        } else {
                            EXPECT_EQ(r.displayText.startsWith(QLatin1Char('-')), negative);
                            EXPECT_EQ(r.displayText.size(), 5 + (r.decimals > 0) + negative);
                        }
                        EXPECT_EQ(r.unitCaption.has_value(), r.unitColumnText.has_value());
                        if (r.unitCaption) {
                            EXPECT_EQ(*r.unitCaption, *r.unitColumnText);
                        }
                    }
                }
}
