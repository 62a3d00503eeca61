#include "link/decoder.h"

#include <array>
#include <limits>
#include <string>

namespace {

// A text of the tables: static storage and its length, both known at compile
// time, so that a Reading's captions wrap them without a copy or a count.
struct Text
{
    const char16_t *chars = nullptr; // nullptr: unset
    qsizetype size = 0;

    constexpr Text() = default;
    constexpr Text(std::nullptr_t) {}
    constexpr Text(const char16_t *text)
        : chars(text), size(static_cast<qsizetype>(std::char_traits<char16_t>::length(text)))
    {
    }
    constexpr explicit operator bool() const { return chars != nullptr; }
};

QString lit(Text text)
{
    return QString::fromRawData(reinterpret_cast<const QChar *>(text.chars), text.size);
}

constexpr double kKeepFullScale = -1.0; // the row leaves the default full scale
constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// One row of a range set. The reading's value is the count divided by
// 10^decimals, i.e. the decimal number the display shows. Unless a row says
// otherwise the over-range limit and the clamp value equal the full scale.
struct RangeRow
{
    Text caption; // nullptr: range caption unset
    int decimals;
    double fullScale; // kKeepFullScale: stays at the default
    double limit;     // kNoLimit: no over-range test
    Text unit;        // nullptr: unit caption and UNIT column unset
};

constexpr RangeRow row(Text caption, int decimals, double fullScale, Text unit)
{
    return {caption, decimals, fullScale, fullScale, unit};
}

constexpr RangeRow rowLimit(Text caption, int decimals, double fullScale, double limit, Text unit)
{
    return {caption, decimals, fullScale, limit, unit};
}

// A range set: the row for each range index 0..7, nullptr where none applies.
using RangeSet = std::array<const RangeRow *, 8>;

constexpr RangeSet everyRange(const RangeRow *r)
{
    return {r, r, r, r, r, r, r, r};
}

// --- Range rows -----------------------------------------------------------

constexpr RangeRow kVoltage[] = {
    row(u"400mV (0.01mV)", 2, 400, u"mV"), row(u"4V (0.0001V)", 4, 4, u"V"),
    row(u"40V (0.001V)", 3, 40, u"V"),     row(u"400V (0.01V)", 2, 400, u"V"),
    row(u"1000V (0.1V)", 1, 1000, u"V"),
};
constexpr RangeRow kFrequency[] = {
    row(u"40Hz (0.001Hz)", 3, 40, u"Hz"),     row(u"400Hz (0.01Hz)", 2, 400, u"Hz"),
    row(u"4KHz (0.0001KHz)", 4, 4, u"KHz"),   row(u"40KHz (0.001KHz)", 3, 40, u"KHz"),
    row(u"400KHz (0.01KHz)", 2, 400, u"KHz"), row(u"4MHz (0.0001MHz)", 4, 4, u"MHz"),
    row(u"40MHz (0.001MHz)", 3, 40, u"MHz"),  row(u"100MHz (0.01MHz)", 2, 100, u"MHz"),
};
constexpr RangeRow kResistance[] = {
    row(u"400\u03A9  (0.01\u03A9)", 2, 400, u"\u03A9"),
    row(u"4K\u03A9  (0.0001K\u03A9)", 4, 4, u"K\u03A9"),
    row(u"40K\u03A9  (0.001K\u03A9)", 3, 40, u"K\u03A9"),
    row(u"400K\u03A9  (0.01K\u03A9)", 2, 400, u"K\u03A9"),
    row(u"4M\u03A9  (0.0001M\u03A9)", 4, 4, u"M\u03A9"),
    row(u"40M\u03A9  (0.001M\u03A9)", 3, 40, u"M\u03A9"),
};
constexpr RangeRow kCapacitance[] = {
    row(u"40nF  (0.001nF)", 3, 40, u"nF"),  row(u"400nF  (0.01nF)", 2, 400, u"nF"),
    row(u"4uF  (0.0001uF)", 4, 4, u"uF"),   row(u"40uF  (0.001uF)", 3, 40, u"uF"),
    row(u"400uF  (0.01uF)", 2, 400, u"uF"), row(u"4000uF  (0.1uF)", 1, 4000, u"uF"),
    row(u"40mF  (0.001mF)", 3, 40, u"mF"),
};
constexpr RangeRow kDiode = rowLimit(u"4V  (0.0001V)", 4, 4, 2.7, u"V");
constexpr RangeRow kContinuity = row(u"400\u03A9  (0.01\u03A9)", 2, 400, u"\u03A9");
constexpr RangeRow kDutyA = row(u" 0.1 to 99.90%  (0.01%)", 2, 100, u"%");
constexpr RangeRow kDutyB = row(u"0.1 to 99.90%  (0.01%)", 2, 100, u"%");
constexpr RangeRow kCelsius = rowLimit(u"-50 to 1200C  (0.1C)", 1, 1000, 1200, u"C");
constexpr RangeRow kFahrenheit = rowLimit(u"-58 to 2192F  (0.1F)", 1, 2000, 2192, u"F");
constexpr RangeRow kTenAmps = row(u"10A  (0.001A)", 3, 10, u"A");
constexpr RangeRow kLoop = rowLimit(u"-25 to 125%  (0.01%)", 2, 100, 125, u"%");
constexpr RangeRow kMilliamps400 = row(u"400mA  (0.01mA)", 2, 400, u"mA");
constexpr RangeRow kMilliamps40 = row(u"40mA  (0.001mA)", 3, 40, u"mA");
constexpr RangeRow kMicroamps4000 = row(u"4000uA (0.1uA)", 1, 4000, u"uA");
constexpr RangeRow kMicroamps400 = row(u"400uA (0.01uA)", 2, 400, u"uA");
// Temperature sub-modes 2 and 3: tenths, nothing else.
constexpr RangeRow kTenths = {nullptr, 1, kKeepFullScale, kNoLimit, nullptr};

// --- Range sets -----------------------------------------------------------

constexpr RangeSet kVoltageSet = {&kVoltage[0], &kVoltage[1], &kVoltage[2], &kVoltage[3], &kVoltage[4]};
constexpr RangeSet kFrequencySet = {&kFrequency[0], &kFrequency[1], &kFrequency[2], &kFrequency[3],
                                    &kFrequency[4], &kFrequency[5], &kFrequency[6], &kFrequency[7]};
constexpr RangeSet kResistanceSet = {&kResistance[0], &kResistance[1], &kResistance[2],
                                     &kResistance[3], &kResistance[4], &kResistance[5]};
constexpr RangeSet kCapacitanceSet = {nullptr,          &kCapacitance[0], &kCapacitance[1], &kCapacitance[2],
                                      &kCapacitance[3], &kCapacitance[4], &kCapacitance[5], &kCapacitance[6]};
constexpr RangeSet kDiodeSet = everyRange(&kDiode);
constexpr RangeSet kContinuitySet = everyRange(&kContinuity);
constexpr RangeSet kDutyASet = everyRange(&kDutyA);
constexpr RangeSet kDutyBSet = everyRange(&kDutyB);
constexpr RangeSet kCelsiusSet = everyRange(&kCelsius);
constexpr RangeSet kFahrenheitSet = everyRange(&kFahrenheit);
constexpr RangeSet kTenAmpsSet = everyRange(&kTenAmps);
constexpr RangeSet kLoopSet = everyRange(&kLoop);
constexpr RangeSet kTenthsSet = everyRange(&kTenths);
constexpr RangeSet kMilliampsSet = {&kMilliamps40, &kMilliamps400, &kMilliamps40, &kMilliamps40,
                                    &kMilliamps40, &kMilliamps40,  &kMilliamps40, &kMilliamps40};
constexpr RangeSet kMicroampsSet = {&kMicroamps400, &kMicroamps4000, &kMicroamps400, &kMicroamps400,
                                    &kMicroamps400, &kMicroamps400,  &kMicroamps400, &kMicroamps400};

// --- Function table -------------------------------------------------------

enum class Coupling { Unset, AcOrAcDc, Dc, Empty };
enum class Trms { Unset, Shown, Hidden };

struct FunctionRow
{
    Text caption; // nullptr: no row at all (codes 10..15)
    Coupling coupling;
    Trms trms;
    Text columnText;        // FUN column; nullptr: unset
    const RangeSet *ranges; // nullptr: no range row applies
    bool diode = false;
};

constexpr Text kVacHz = u"VAC/HZ/%";
constexpr Text kVdc = u"VDC";
constexpr Text kHz = u"Hz%";
constexpr Text kRDiode = u"R/DIODE/BEEP/CAP";
constexpr Text kTemp = u"TEMP";
constexpr Text kTenA = u"10A/HZ/%";
constexpr Text kMa = u"mA";
constexpr Text kLoopFn = u"4-20mA%";
constexpr Text kUa = u"uA";
constexpr Text kVoltageFn = u"Voltage";

constexpr Text kAcPlusDc = u"AC+DC";
constexpr Text kAc = u"AC";
constexpr Text kDc = u"DC";

constexpr FunctionRow kNoRow = {nullptr, Coupling::Unset, Trms::Unset, nullptr, nullptr};

// Indexed by function code, then sub-mode.
constexpr std::array<std::array<FunctionRow, 4>, 16> kFunctions = {{
    {{{kVacHz, Coupling::AcOrAcDc, Trms::Shown, u"VAC", &kVoltageSet},
      {kVacHz, Coupling::Empty, Trms::Hidden, u"FRE", &kFrequencySet},
      {kVacHz, Coupling::Empty, Trms::Hidden, u"%DC", &kDutyASet},
      {kVacHz, Coupling::Unset, Trms::Unset, nullptr, nullptr}}},
    {{{kVdc, Coupling::Dc, Trms::Hidden, u"VDC", &kVoltageSet},
      {kVdc, Coupling::Dc, Trms::Hidden, u"VDC", nullptr},
      {kVdc, Coupling::Dc, Trms::Hidden, u"VDC", nullptr},
      {kVdc, Coupling::Dc, Trms::Hidden, u"VDC", nullptr}}},
    {{{kHz, Coupling::Empty, Trms::Hidden, u"FRE", &kFrequencySet},
      {kHz, Coupling::Empty, Trms::Hidden, u"%DC", &kDutyASet},
      {kHz, Coupling::Empty, Trms::Hidden, nullptr, nullptr},
      {kHz, Coupling::Empty, Trms::Hidden, nullptr, nullptr}}},
    {{{kRDiode, Coupling::Empty, Trms::Hidden, u"Resistance", &kResistanceSet},
      {kRDiode, Coupling::Empty, Trms::Hidden, u"DIODE", &kDiodeSet, true},
      {kRDiode, Coupling::Empty, Trms::Hidden, u"BEEP", &kContinuitySet},
      {kRDiode, Coupling::Empty, Trms::Hidden, u"CAP", &kCapacitanceSet}}},
    {{{kTemp, Coupling::Empty, Trms::Hidden, u"TEMP", &kCelsiusSet},
      {kTemp, Coupling::Empty, Trms::Hidden, u"TEMP", &kFahrenheitSet},
      {kTemp, Coupling::Empty, Trms::Hidden, u"TEMP", &kTenthsSet},
      {kTemp, Coupling::Empty, Trms::Hidden, u"TEMP", &kTenthsSet}}},
    {{{kTenA, Coupling::Dc, Trms::Hidden, u"10A", &kTenAmpsSet},
      {kTenA, Coupling::AcOrAcDc, Trms::Shown, u"10A", &kTenAmpsSet},
      {kTenA, Coupling::Empty, Trms::Hidden, u"FRE", &kFrequencySet},
      {kTenA, Coupling::Empty, Trms::Hidden, u"%DC", &kDutyBSet}}},
    {{{kMa, Coupling::Dc, Trms::Hidden, u"mA", &kMilliampsSet},
      {kMa, Coupling::AcOrAcDc, Trms::Shown, u"mA", &kMilliampsSet},
      {kMa, Coupling::Unset, Trms::Unset, u"mA", &kMilliampsSet},
      {kMa, Coupling::Unset, Trms::Unset, u"mA", &kMilliampsSet}}},
    {{{kLoopFn, Coupling::Empty, Trms::Hidden, u"4-20mA%", &kLoopSet},
      {kLoopFn, Coupling::Empty, Trms::Hidden, u"4-20mA%", &kLoopSet},
      {kLoopFn, Coupling::Empty, Trms::Hidden, u"4-20mA%", &kLoopSet},
      {kLoopFn, Coupling::Empty, Trms::Hidden, u"4-20mA%", &kLoopSet}}},
    {{{kUa, Coupling::Dc, Trms::Hidden, u"uA", &kMicroampsSet},
      {kUa, Coupling::AcOrAcDc, Trms::Shown, u"uA", &kMicroampsSet},
      {kUa, Coupling::Unset, Trms::Unset, u"uA", &kMicroampsSet},
      {kUa, Coupling::Unset, Trms::Unset, u"uA", &kMicroampsSet}}},
    // Function 9 reads volts like the voltage function: same ranges, limits
    // and units, and its UNIT column follows the unit caption.
    {{{kVoltageFn, Coupling::Dc, Trms::Hidden, u"Voltage", &kVoltageSet},
      {kVoltageFn, Coupling::AcOrAcDc, Trms::Shown, u"Voltage", &kVoltageSet},
      {kVoltageFn, Coupling::Unset, Trms::Unset, u"Voltage", &kVoltageSet},
      {kVoltageFn, Coupling::Unset, Trms::Unset, u"Voltage", &kVoltageSet}}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
    {{kNoRow, kNoRow, kNoRow, kNoRow}},
}};

constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};

// The count in decimal, five digits with leading zeros, with the point
// inserted so that `decimals` digits follow it, after a minus sign when
// `negative`.
ReadingText digitsText(std::uint16_t count, int decimals, bool negative)
{
    char16_t buf[6];
    unsigned c = count;
    for (int i = 4; i >= 0; --i) {
        buf[i] = static_cast<char16_t>(u'0' + c % 10);
        c /= 10;
    }
    ReadingText text;
    if (negative)
        text.append(u'-');
    text.append(buf, 5 - decimals);
    if (decimals > 0) {
        text.append(u'.');
        text.append(buf + 5 - decimals, decimals);
    }
    return text;
}

void applyFunctionRow(const FunctionRow &fn, bool acPlusDc, Reading &r)
{
    r.functionCaption = lit(fn.caption);
    switch (fn.coupling) {
    case Coupling::Unset:
        break;
    case Coupling::AcOrAcDc:
        r.couplingCaption = acPlusDc ? lit(kAcPlusDc) : lit(kAc);
        break;
    case Coupling::Dc:
        r.couplingCaption = lit(kDc);
        break;
    case Coupling::Empty:
        r.couplingCaption = QString();
        break;
    }
    if (fn.trms != Trms::Unset)
        r.trmsShown = fn.trms == Trms::Shown;
    if (fn.columnText)
        r.functionColumnText = lit(fn.columnText);
    r.diodeSymbolShown = fn.diode;
}

void applyRangeRow(const RangeRow &range, Reading &r)
{
    if (range.caption)
        r.rangeCaption = lit(range.caption);
    if (range.unit) {
        r.unitCaption = lit(range.unit);
        r.unitColumnText = r.unitCaption;
    }
    if (range.fullScale != kKeepFullScale)
        r.fullScale = range.fullScale;
    r.decimals = range.decimals;
    r.value /= kPowersOfTen[range.decimals];
    if (r.value > range.limit) {
        r.overRange = true;
        r.value = range.limit;
    }
}

} // namespace

Reading decodeMeterFrame(const MeterFrame &frame)
{
    Reading r;
    r.value = frame.displayCount;
    r.hold = frame.hold;
    r.rel = frame.rel;

    const FunctionRow &fn = kFunctions[frame.functionCode & 0x0F][frame.subMode & 0x03];
    if (fn.caption) {
        applyFunctionRow(fn, frame.acPlusDc, r);
        if (fn.ranges) {
            if (const RangeRow *range = (*fn.ranges)[frame.rangeIndex & 0x07])
                applyRangeRow(*range, r);
        }
    }

    if (frame.negative)
        r.value = -r.value;
    r.displayText = r.overRange ? ReadingText(kOverRangeText)
                                : digitsText(frame.displayCount, r.decimals, frame.negative);
    return r;
}
