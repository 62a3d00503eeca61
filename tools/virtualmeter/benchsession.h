#pragma once

#include "link/meterframe.h"

#include <cstdint>
#include <random>
#include <span>
#include <vector>

// A plausible bench session, one frame per call: mostly a slowly swinging DC
// voltage that auto-ranges and passes through zero, broken now and then by a
// held reading, a relative measurement, AC volts (sometimes AC+DC), a
// resistance with open leads at first (over-range), a frequency or a
// temperature. Counts follow the decoder's range tables, so every frame
// decodes to a reading with a range caption and a decimal point.
//
// Pure and deterministic: the same seed gives the same frames on every
// platform (the generator and the number conversions are fixed).
class BenchSession
{
public:
    enum class Activity { DcVolts, DcHold, DcRelative, AcVolts, Resistance, Frequency, Temperature };

    // One row of a range set, in the quantity's base unit (volts, ohms, hertz).
    struct RangeRow
    {
        std::uint8_t index; // rangeIndex in the frame
        double baseUnits;   // base units per display unit (0.001 for mV, 1000 for kilo-ohms)
        double multiplier;  // display units per count
        double fullScale;   // in display units
    };

    explicit BenchSession(std::uint64_t seed = 1);

    // The next frame of the session.
    MeterFrame next();

    // Frames made so far.
    std::uint64_t framesMade() const { return m_frame; }
    // The activity of the frame returned last (DcVolts before the first call).
    Activity activity() const { return m_activity; }

    // The auto-range rule: from `current` (-1: none yet) step up while the
    // magnitude is above the row's full scale and step down while it is below
    // 90 % of the next lower row's full scale. Returns an index into `rows`.
    static int autoRange(std::span<const RangeRow> rows, int current, double magnitude);

private:
    void beginSegment();
    Activity nextActivity();
    MeterFrame makeFrame();

    MeterFrame dcFrame(double volts);
    MeterFrame rangedFrame(std::span<const RangeRow> rows, double value, std::uint8_t functionCode,
                           std::uint8_t subMode);
    double dcVolts() const;
    double uniform(double low, double high);
    int uniformInt(int low, int high); // both ends included

    std::mt19937_64 m_random;
    std::uint64_t m_frame = 0;

    // The DC source: amplitude * sin(2 pi (t / period + phase)) plus a small ripple.
    double m_amplitude = 9.0;
    double m_period = 600.0;
    double m_phase = 0.0; // in periods

    Activity m_activity = Activity::DcVolts;
    int m_segmentLength = 0; // frames in the current segment
    int m_segmentFrame = 0;  // frames of it made so far
    int m_range = -1;        // auto-range state of the current segment, -1: choose afresh
    bool m_afterDc = false;  // the next segment comes from the bag, not DC

    std::vector<Activity> m_bag; // the other activities, shuffled, taken one by one

    // Per-segment parameters.
    MeterFrame m_lastDc;      // frozen by DcHold
    double m_reference = 0.0; // DcRelative: the value zeroed at its start
    double m_level = 0.0;     // AC volts, ohms, hertz or degrees of the segment
    double m_slope = 0.0;     // drift per frame of the segment's level
    bool m_acPlusDc = false;
    int m_openLeadFrames = 0; // Resistance: over-range frames before the probes touch
};
