#pragma once

#include "link/readingtext.h"

#include <QString>
#include <optional>

// The reading text shown and logged when the count exceeds its range.
inline const QString kOverRangeText = QStringLiteral(".OL");

// The decoded content of one frame. An unset caption leaves the display
// element unchanged; an unset column text leaves that table cell empty.
struct Reading
{
    std::optional<QString> functionCaption;
    std::optional<QString> couplingCaption; // "AC+DC", "AC", "DC" or ""
    std::optional<bool> trmsShown;
    std::optional<QString> rangeCaption;
    std::optional<QString> unitCaption;
    std::optional<QString> functionColumnText;
    std::optional<QString> unitColumnText;
    int decimals = 0;        // digits after the point in displayText, 0..4
    double fullScale = 40.0; // full scale of the range, for the bar graph
    double value = 0.0;      // scaled, clamped on over-range, signed
    bool overRange = false;
    ReadingText displayText; // cut from the count's decimal digits, or ".OL"
    bool hold = false;
    bool rel = false;
    bool diodeSymbolShown = false;
};
