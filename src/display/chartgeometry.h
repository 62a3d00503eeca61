#pragma once

#include "app/sharedstate.h"

#include <cstdint>

// Pixel geometry of the two trend charts and the mapping of readings to
// points. Values beyond the full scale are not clamped: they plot outside the
// grid band and the surface simply does not show them.
namespace chart {

// Display window chart (409 x 249 pixel surface).
namespace display {
inline constexpr int kZeroY = 123;
inline constexpr int kHalfHeight = 100; // pixels per full scale
inline constexpr int kSlotWidth = 4;    // slot k at x = 4k
inline constexpr int kLineEnd = 415;    // horizontal lines run from 0 to here
inline constexpr int kGridRows[8] = {23, 48, 73, 98, 148, 173, 198, 223};
inline constexpr int kTickTop = 244;
inline constexpr int kTickBottom = 247;
inline constexpr int kCursorBottom = 248;
std::int32_t pointY(double value, std::int32_t fullScale);
std::int32_t cursorSlot(double x); // nearest slot number, may be 0 or beyond the window
} // namespace display

// Graph window chart (703 x 492 drawable pixels).
namespace graph {
inline constexpr int kZeroY = 247;
inline constexpr int kHalfHeight = 216;
inline constexpr int kSlotWidth = 7;
inline constexpr int kLineEnd = 707;
inline constexpr int kGridTop = 31;
inline constexpr int kGridStep = 27;
inline constexpr int kTickTop = 490;
inline constexpr int kTickBottom = 494;
std::int32_t pointY(double value, std::int32_t fullScale);
std::int32_t cursorSlot(double x);
} // namespace graph

// Fills gPlotPoints[0 .. gViewCount-1] for the current trend window with the
// given slot width and y mapping; nothing when the store is empty.
// Returns how many points were written.
int fillPlotPoints(SharedState &s, int slotWidth, std::int32_t (*pointY)(double, std::int32_t));

} // namespace chart
