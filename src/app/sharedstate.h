#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One logged reading. The record with `number` n lives at index n - 1.
struct MeasurementRecord
{
    std::int32_t number = 0;
    double value = 0.0; // scaled, signed, clamped on over-range
    QString function;   // the display's function caption after the reading
    QString time;       // date, "\", time
    QString unit;       // the display's unit caption after the reading
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
// created before the main window and shared by reference.
class SharedState
{
public:
    static constexpr std::int32_t kCapacity = 50000;
    static constexpr std::int32_t kPageSize = 100;
    static constexpr double kUnsetMark = 50000.0; // no extreme seen yet

    SharedState();

    // Record store: kCapacity records allocated once; indices 0..gRecordCount-1
    // are valid, entries above may hold older readings.
    std::vector<MeasurementRecord> gRecords;
    std::int32_t gRecordCount = 0;

    // Trend window shown by both charts.
    std::int32_t gViewStart = 1; // 1, 101, 201, ...
    std::int32_t gViewCount = 0; // 0..100
    bool gViewBrowsing = false;  // true: the user paged away, the window stays put

    std::int32_t gGraphScale = 400; // vertical full scale of both charts
    std::array<PlotPoint, kPageSize> gPlotPoints{};

    // Running extremes; kUnsetMark (bit-exact) means none seen since the last reset.
    double varmax = kUnsetMark;
    double varmin = kUnsetMark;

    bool isFull() const { return gRecordCount >= kCapacity; }

    // The valid records, oldest first.
    std::span<const MeasurementRecord> records() const
    {
        return {gRecords.data(), static_cast<std::size_t>(gRecordCount)};
    }

    // Takes the next number n = gRecordCount + 1 and fills index n - 1.
    // Returns n. The caller guarantees the store is not full.
    std::int32_t append(double value, const QString &function, const QString &time, const QString &unit,
                        const QString &data);

    // Sets gRecordCount to 0; the records stay in place until overwritten.
    void empty() { gRecordCount = 0; }

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
};
