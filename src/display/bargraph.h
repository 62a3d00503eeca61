#pragma once

#include <QLocale>
#include <QString>
#include <array>
#include <optional>

// The analogue bar: 41 segments lit from the left in proportion to the
// reading's magnitude, scale numbers at 1/4, 1/2, 3/4 and full scale, and a
// minus sign for negative readings.
struct BarUpdate
{
    std::array<QString, 4> scaleLabels; // labelline(1..4)
    bool minusShown = false;            // LineHH
    // Segments 0..litThrough lit and the rest dark; unset: leave every
    // segment as it is (the reading lies beyond the bar's end).
    std::optional<int> litThrough;
};

inline constexpr int kBarSegments = 41;

// fullScale is never 0 for a decoded reading; a 0 leaves the segments alone.
BarUpdate computeBarUpdate(double fullScale, double value, bool overRange, const QLocale &locale = QLocale());
