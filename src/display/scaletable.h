#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// The charts' vertical full scale, chosen from a fixed list.
namespace scales {

// The selector's list, largest first: "4000" ... "10".
const QStringList &choices();

struct ScaleRow
{
    std::int32_t scale;
    std::array<QString, 8> displayLabels; // +full, +3/4, +1/2, +1/4, -1/4, -1/2, -3/4, -full
};

// Exact, case-sensitive match against the list; any other text gives the 400
// row (the text itself is left as typed by the caller).
ScaleRow lookup(const QString &text);

// One step to a smaller or a larger full scale; nothing at the end of the
// list. Text that matches no entry is returned unchanged (the caller still
// applies it, which gives 400).
std::optional<QString> smaller(const QString &text);
std::optional<QString> larger(const QString &text);

// Whole-number value of a scale text for the graph window: the nearest whole
// number, halves to even; text that is not a positive number gives nothing.
std::optional<std::int32_t> toWholeScale(const QString &text);

// The graph window's 17 Y labels for scale c: index k shows c (8 - k) / 8 for
// k = 0..7, index 16 - k its negative; index 8 (the "Y:" caption) is empty.
std::array<QString, 17> graphLabels(std::int32_t c);

} // namespace scales
