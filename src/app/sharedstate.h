#pragma once

#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One logged reading. The record with `number` n lives at index n - 1.
struct MeasurementRecord
{
    std::int32_t number = 0;
    double value = 0.0; // scaled, signed, clamped on over-range
    QString function;   // the function caption in force after the reading
    QString time;       // date, "\", time
    QString unit;       // the unit caption in force after the reading
    QString data;       // the reading as displayed, or ".OL"
};

// One point of the most recent chart paint: record number and pixel position.
struct PlotPoint
{
    std::int32_t number = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The state every window works on, alive for the whole run. One instance is
// created before the main window and shared by reference. The record count
// changes only through append() and empty().
class SharedState
{
public:
    // Records the store holds: indices 0 .. 49999.
    static constexpr std::int32_t kCapacity = 50000;
    // Records a trend window (a chart page) holds; pages start at 1, 101, 201, ...
    static constexpr std::int32_t kPageSize = 100;
    // Offsets of the middle and last X-axis labels from the page's first record.
    static constexpr std::int32_t kMiddleLabelOffset = 49;
    static constexpr std::int32_t kLastLabelOffset = 99;
    // Vertical full scale of both charts at start-up.
    static constexpr std::int32_t kDefaultScale = 400;
    // The extremes' mark for "no extreme seen yet" (compared bit for bit).
    static constexpr double kUnsetMark = 50000.0;

    SharedState();

    // Record store: kCapacity records allocated once; indices
    // 0 .. gRecordCount() - 1 are valid, entries above may hold older readings.
    std::vector<MeasurementRecord> gRecords;
    std::int32_t gRecordCount() const { return m_recordCount; }

    // Trend window shown by both charts.
    std::int32_t gViewStart = 1; // 1, 101, 201, ...
    std::int32_t gViewCount = 0; // 0..100
    bool gViewBrowsing = false;  // true: the user paged away, the window stays put

    std::int32_t gGraphScale = kDefaultScale; // vertical full scale of both charts
    std::array<PlotPoint, kPageSize> gPlotPoints{};

    // Running extremes; kUnsetMark (bit-exact) means none seen since the last reset.
    double varmax = kUnsetMark;
    double varmin = kUnsetMark;

    bool isFull() const { return m_recordCount >= kCapacity; }

    // The number the next appended reading gets.
    std::int32_t nextNumber() const { return m_recordCount + 1; }

    // The valid records, oldest first.
    std::span<const MeasurementRecord> records() const
    {
        return {gRecords.data(), static_cast<std::size_t>(m_recordCount)};
    }

    // The record numbered n (1 .. gRecordCount()), or nullptr.
    const MeasurementRecord *record(std::int32_t n) const
    {
        return n >= 1 && n <= m_recordCount ? &gRecords[static_cast<std::size_t>(n - 1)] : nullptr;
    }

    // Stores `record` as the next reading: n = gRecordCount() + 1 at index
    // n - 1, with its number set to n. Returns n. The caller guarantees the
    // store is not full.
    std::int32_t append(const MeasurementRecord &record);

    // Sets the count to 0; the records stay in place until overwritten.
    void empty() { m_recordCount = 0; }
    // Keeps only the first n valid records (a count above the present one
    // changes nothing); the rest stay in place until overwritten.
    void truncate(std::int32_t n) { m_recordCount = std::clamp(n, 0, m_recordCount); }

    // Both extremes back to the unset mark.
    void resetExtremes()
    {
        varmax = kUnsetMark;
        varmin = kUnsetMark;
    }

    // Folds a reading's value into the extremes. With either extreme unset
    // both take v; otherwise the minimum, then the maximum, move when v lies
    // beyond them. Says which read-outs must show the reading's text.
    struct ExtremesChange
    {
        bool minChanged = false;
        bool maxChanged = false;
    };
    ExtremesChange takeExtremes(double v);

    static bool isUnsetMark(double v);

private:
    std::int32_t m_recordCount = 0;
};
