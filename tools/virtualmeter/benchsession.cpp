#include "virtualmeter/benchsession.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

using Row = BenchSession::RangeRow;

// Range sets of the decoder, in base units.
constexpr std::array<Row, 5> kVoltage{{
    {0, 0.001, 0.01, 400},
    {1, 1.0, 0.0001, 4},
    {2, 1.0, 0.001, 40},
    {3, 1.0, 0.01, 400},
    {4, 1.0, 0.1, 1000},
}};
constexpr std::array<Row, 6> kResistance{{
    {0, 1.0, 0.01, 400},
    {1, 1e3, 0.0001, 4},
    {2, 1e3, 0.001, 40},
    {3, 1e3, 0.01, 400},
    {4, 1e6, 0.0001, 4},
    {5, 1e6, 0.001, 40},
}};
constexpr std::array<Row, 8> kFrequency{{
    {0, 1.0, 0.001, 40},
    {1, 1.0, 0.01, 400},
    {2, 1e3, 0.0001, 4},
    {3, 1e3, 0.001, 40},
    {4, 1e3, 0.01, 400},
    {5, 1e6, 0.0001, 4},
    {6, 1e6, 0.001, 40},
    {7, 1e6, 0.01, 100},
}};
constexpr double kCelsiusMultiplier = 0.1;

// Function codes and sub-modes of the frame.
constexpr std::uint8_t kFnAcVolts = 0;
constexpr std::uint8_t kFnDcVolts = 1;
constexpr std::uint8_t kFnFrequency = 2;
constexpr std::uint8_t kFnResistance = 3;
constexpr std::uint8_t kFnTemperature = 4;

constexpr std::array kOtherActivities{
    BenchSession::Activity::DcHold,    BenchSession::Activity::DcRelative,
    BenchSession::Activity::AcVolts,   BenchSession::Activity::Resistance,
    BenchSession::Activity::Frequency, BenchSession::Activity::Temperature,
};

constexpr std::array kResistors{100.0, 470.0, 4'700.0, 22'000.0, 220'000.0, 1'500'000.0};
constexpr std::array kSignals{50.0, 60.0, 1'000.0, 32'768.0};

std::uint16_t countFor(double displayValue, double multiplier)
{
    const double count = std::round(std::fabs(displayValue) / multiplier);
    return static_cast<std::uint16_t>(std::min(count, 65535.0));
}

} // namespace

BenchSession::BenchSession(std::uint64_t seed) : m_random(seed)
{
    m_amplitude = uniform(6.0, 12.0);
    m_period = uniform(500.0, 800.0);
    m_phase = uniform(0.1, 0.4); // start some volts up, near the crest
    m_lastDc = dcFrame(0.0);
}

MeterFrame BenchSession::next()
{
    if (m_segmentFrame >= m_segmentLength)
        beginSegment();
    MeterFrame frame = makeFrame();
    ++m_segmentFrame;
    ++m_frame;
    return frame;
}

int BenchSession::autoRange(std::span<const RangeRow> rows, int current, double magnitude)
{
    const int last = static_cast<int>(rows.size()) - 1;
    int r = current < 0 ? 0 : std::min(current, last);
    while (r < last && magnitude / rows[r].baseUnits > rows[r].fullScale)
        ++r;
    while (r > 0 && magnitude / rows[r - 1].baseUnits < 0.9 * rows[r - 1].fullScale)
        --r;
    return r;
}

// Sessions alternate between the DC source and one other activity taken from
// a shuffled bag, so every activity turns up once in each round.
BenchSession::Activity BenchSession::nextActivity()
{
    m_afterDc = !m_afterDc;
    if (!m_afterDc)
        return Activity::DcVolts;
    if (m_bag.empty()) {
        m_bag.assign(kOtherActivities.begin(), kOtherActivities.end());
        for (int i = static_cast<int>(m_bag.size()) - 1; i > 0; --i)
            std::swap(m_bag[i], m_bag[uniformInt(0, i)]);
    }
    const Activity activity = m_bag.back();
    m_bag.pop_back();
    return activity;
}

void BenchSession::beginSegment()
{
    m_activity = m_frame == 0 ? Activity::DcVolts : nextActivity();
    m_segmentFrame = 0;
    m_range = -1;
    switch (m_activity) {
    case Activity::DcVolts:
        m_segmentLength = uniformInt(120, 300);
        break;
    case Activity::DcHold:
        m_segmentLength = uniformInt(8, 24);
        break;
    case Activity::DcRelative:
        m_segmentLength = uniformInt(30, 60);
        m_reference = dcVolts();
        break;
    case Activity::AcVolts:
        m_segmentLength = uniformInt(40, 90);
        m_level = uniformInt(0, 1) ? uniform(228.0, 234.0) : uniform(12.2, 12.9);
        m_slope = m_level * uniform(-2e-4, 2e-4);
        m_acPlusDc = uniformInt(0, 2) == 0;
        break;
    case Activity::Resistance:
        m_segmentLength = uniformInt(30, 70);
        m_level = kResistors[uniformInt(0, static_cast<int>(kResistors.size()) - 1)] * uniform(0.99, 1.01);
        m_slope = m_level * uniform(0.0, 5e-5); // the part warms in the fingers
        m_openLeadFrames = uniformInt(2, 6);
        break;
    case Activity::Frequency:
        m_segmentLength = uniformInt(30, 60);
        m_level = kSignals[uniformInt(0, static_cast<int>(kSignals.size()) - 1)] * uniform(0.9995, 1.0005);
        m_slope = 0.0;
        break;
    case Activity::Temperature:
        m_segmentLength = uniformInt(40, 90);
        m_level = uniform(20.0, 26.0);
        m_slope = uniform(0.0, 0.15); // a probe warming towards a heat sink
        break;
    }
}

MeterFrame BenchSession::makeFrame()
{
    const double t = m_segmentFrame;
    switch (m_activity) {
    case Activity::DcVolts:
        m_lastDc = dcFrame(dcVolts() + uniform(-0.001, 0.001));
        return m_lastDc;
    case Activity::DcHold: {
        MeterFrame frame = m_lastDc;
        frame.hold = true;
        return frame;
    }
    case Activity::DcRelative: {
        MeterFrame frame = dcFrame(dcVolts() - m_reference + uniform(-0.001, 0.001));
        frame.rel = true;
        return frame;
    }
    case Activity::AcVolts: {
        const double volts = m_level + m_slope * t + uniform(-0.002, 0.002) * m_level;
        MeterFrame frame = rangedFrame(kVoltage, volts, kFnAcVolts, 0);
        frame.acPlusDc = m_acPlusDc;
        return frame;
    }
    case Activity::Resistance:
        if (m_segmentFrame < m_openLeadFrames) {
            // Open leads on the top range: above its limit, shown as over-range.
            const Row &top = kResistance.back();
            MeterFrame frame;
            frame.functionCode = kFnResistance;
            frame.rangeIndex = top.index;
            frame.displayCount = countFor(top.fullScale * 1.1, top.multiplier);
            return frame;
        }
        return rangedFrame(kResistance, m_level + m_slope * t + uniform(-2e-4, 2e-4) * m_level, kFnResistance,
                           0);
    case Activity::Frequency:
        return rangedFrame(kFrequency, m_level * (1.0 + uniform(-2e-5, 2e-5)), kFnFrequency, 0);
    case Activity::Temperature: {
        MeterFrame frame;
        frame.functionCode = kFnTemperature;
        frame.displayCount = countFor(m_level + m_slope * t + uniform(-0.1, 0.1), kCelsiusMultiplier);
        return frame;
    }
    }
    return {};
}

MeterFrame BenchSession::dcFrame(double volts)
{
    return rangedFrame(kVoltage, volts, kFnDcVolts, 0);
}

MeterFrame BenchSession::rangedFrame(std::span<const RangeRow> rows, double value, std::uint8_t functionCode,
                                     std::uint8_t subMode)
{
    m_range = autoRange(rows, m_range, std::fabs(value));
    const Row &row = rows[m_range];
    MeterFrame frame;
    frame.functionCode = functionCode;
    frame.subMode = subMode;
    frame.rangeIndex = row.index;
    frame.displayCount = countFor(value / row.baseUnits, row.multiplier);
    frame.negative = value < 0 && frame.displayCount != 0;
    return frame;
}

double BenchSession::dcVolts() const
{
    const double t = static_cast<double>(m_frame);
    const double swing = m_amplitude * std::sin(2.0 * std::numbers::pi * (t / m_period + m_phase));
    const double ripple = 0.02 * std::sin(2.0 * std::numbers::pi * t / 37.0);
    return swing + ripple;
}

// Conversions of our own: the standard distributions differ between libraries.
double BenchSession::uniform(double low, double high)
{
    const double unit = static_cast<double>(m_random() >> 11) * 0x1.0p-53;
    return low + (high - low) * unit;
}

int BenchSession::uniformInt(int low, int high)
{
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<int>(m_random() % span);
}
