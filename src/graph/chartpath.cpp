#include "graph/chartpath.h"

#include "app/numeric.h"
#include "link/reading.h"

#include <algorithm>

namespace chart {

namespace {

constexpr int kDisplayRows[] = {23, 48, 73, 98, 148, 173, 198, 223};

constexpr std::array<int, 17> graphRows()
{
    std::array<int, 17> rows{};
    for (int k = 0; k < 17; ++k)
        rows[static_cast<std::size_t>(k)] = 31 + 27 * k;
    return rows;
}
constexpr std::array<int, 17> kGraphRows = graphRows();

} // namespace

const Geometry &Geometry::display()
{
    static const Geometry g{4, 123, 100, 415, kDisplayRows, 244, 247, 2, 248, 3, 3, true};
    return g;
}

const Geometry &Geometry::graph()
{
    static const Geometry g{7, 247, 216, 707, kGraphRows, 490, 494, 2, 496, 0, 3, false};
    return g;
}

std::int32_t pointY(const Geometry &geometry, double value, std::int32_t scale)
{
    return roundHalfEven(geometry.zeroY - (value * geometry.halfHeight) / scale);
}

std::int32_t slotAt(const Geometry &geometry, double x)
{
    return roundHalfEven(x / geometry.slotWidth);
}

int computePlotPoints(SharedState &state, const Geometry &geometry)
{
    if (state.gRecordCount() == 0)
        return 0;
    // The scale selectors never apply a scale below 1; guard the division anyway.
    const std::int32_t scale = state.gGraphScale > 0 ? state.gGraphScale : SharedState::kDefaultScale;
    const int count = std::clamp<std::int32_t>(state.gViewCount, 0, SharedState::kPageSize);
    for (int k = 1; k <= count; ++k) {
        const std::int32_t n = state.gViewStart + k - 1;
        const double v = n >= 1 && n <= SharedState::kCapacity
                             ? state.gRecords[static_cast<std::size_t>(n - 1)].value
                             : 0.0;
        state.gPlotPoints[static_cast<std::size_t>(k - 1)] = {n, geometry.slotWidth * k,
                                                              pointY(geometry, v, scale)};
    }
    return count;
}

void Canvas::fixedLines(const Geometry &geometry)
{
    drawFixedLines(*this, geometry);
}

void drawFixedLines(Canvas &canvas, const Geometry &g)
{
    canvas.line({0, g.zeroY}, {g.lineEnd, g.zeroY}, kBlack, false);
    for (int y : g.gridRows)
        canvas.line({0, y}, {g.lineEnd, y}, kGridSilver, true);
    // The ticks keep the grid's colour, drawn solid.
    for (int k = 1; k <= SharedState::kPageSize; ++k)
        canvas.line({g.slotWidth * k, g.tickTop}, {g.slotWidth * k, g.tickBottom}, kGridSilver, false);
}

void drawChart(Canvas &canvas, const Geometry &g, SharedState &state)
{
    canvas.fixedLines(g);
    if (state.gRecordCount() == 0)
        return;

    const int count = computePlotPoints(state, g);
    auto point = [&state](int slot) {
        const PlotPoint &p = state.gPlotPoints[static_cast<std::size_t>(slot - 1)];
        return Point{p.x, p.y};
    };
    if (count == 1)
        canvas.filledCircle(point(1), g.discRadius, kTraceRed);
    for (int k = 2; k <= count; ++k) {
        canvas.line(point(k), point(k - 1), kTraceRed, false);
        canvas.filledCircle(point(k), g.discRadius, kTraceRed);
        canvas.filledCircle(point(k - 1), g.discRadius, kTraceRed);
    }
}

CursorReadout readCursor(const Geometry &geometry, const SharedState &state, double x, double y, Size area)
{
    CursorReadout readout;
    readout.inside = x >= 0 && x <= area.width && y >= 0 && y <= area.height;
    if (!readout.inside)
        return readout;
    readout.pointer = {roundHalfEven(x), roundHalfEven(y)};
    readout.lineX = readout.pointer.x;

    // A slot of the trend window whose plot point names a record in the store.
    // After the store is emptied the plot points are stale: nothing is read out.
    const std::int32_t k = slotAt(geometry, x);
    if (k < 1 || k > state.gViewCount || k > SharedState::kPageSize)
        return readout;
    readout.record = state.record(state.gPlotPoints[static_cast<std::size_t>(k - 1)].number);
    if (!readout.record)
        return readout;
    const MeasurementRecord &r = *readout.record;
    readout.valueText = geometry.overRangeWithoutUnit && r.data == kOverRangeText ? r.data : r.data + r.unit;
    readout.functionText = r.function;
    readout.timeText = r.time;
    return readout;
}

int pushInside(int wanted, int size, int limit)
{
    return wanted + size > limit ? limit - size : wanted;
}

} // namespace chart
