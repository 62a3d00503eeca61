#include "display/chartgeometry.h"

#include "app/numeric.h"

namespace chart {

namespace display {
std::int32_t pointY(double value, std::int32_t fullScale)
{
    return roundHalfEven(kZeroY - value * kHalfHeight / fullScale);
}
std::int32_t cursorSlot(double x)
{
    return roundHalfEven(x / kSlotWidth);
}
} // namespace display

namespace graph {
std::int32_t pointY(double value, std::int32_t fullScale)
{
    return roundHalfEven(kZeroY - (value * kHalfHeight) / fullScale);
}
std::int32_t cursorSlot(double x)
{
    return roundHalfEven(x / kSlotWidth);
}
} // namespace graph

int fillPlotPoints(SharedState &s, int slotWidth, std::int32_t (*pointY)(double, std::int32_t))
{
    if (s.gRecordCount == 0)
        return 0;
    // A scale of 0 cannot come from the scale table; guard the division anyway.
    const std::int32_t scale = s.gGraphScale != 0 ? s.gGraphScale : 400;
    const int count = std::min<std::int32_t>(s.gViewCount, SharedState::kPageSize);
    for (int k = 1; k <= count; ++k) {
        const std::int32_t n = s.gViewStart + k - 1;
        const double v =
            (n >= 1 && n <= SharedState::kCapacity) ? s.gRecords[static_cast<std::size_t>(n - 1)].value : 0.0;
        s.gPlotPoints[static_cast<std::size_t>(k - 1)] = {n, slotWidth * k, pointY(v, scale)};
    }
    return count;
}

} // namespace chart
