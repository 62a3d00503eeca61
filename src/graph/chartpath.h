#pragma once

#include "app/sharedstate.h"

#include <QString>
#include <cstdint>
#include <span>

// The trend chart as both windows draw it: one geometry value per chart, one
// drawing routine over a small canvas, one point computation that fills
// gPlotPoints, one cursor read-out. Coordinates are pixels of the chart's
// drawing area, origin top left, y downwards.
namespace chart {

// Colours as 0x00BBGGRR numbers.
using Bgr = std::uint32_t;
inline constexpr Bgr kBlack = 0x000000;
inline constexpr Bgr kGridSilver = 0xC0C0C0; // 12632256
inline constexpr Bgr kTraceRed = 0x0000FF;   // 255
inline constexpr Bgr kBackColor = 0xE0E0E0;  // 14737632: setting it erases a chart

struct Point
{
    int x = 0;
    int y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};

struct Size
{
    int width = 0;
    int height = 0;
};

struct Geometry;

// What the drawing needs of a surface. All lines are 1 pixel wide; drawing
// outside the surface is clipped by it.
class Canvas
{
public:
    virtual ~Canvas() = default;
    virtual void line(Point from, Point to, Bgr color, bool dotted) = 0;
    // A circle outlined in `outline` and filled with the surface's fill colour.
    virtual void filledCircle(Point centre, int radius, Bgr outline) = 0;
    // The chart's fixed lines: the zero line, the grid rows and the ticks.
    // They depend on the geometry alone, so a surface may copy them from an
    // earlier drawing; by default they are drawn line by line.
    virtual void fixedLines(const Geometry &geometry);
};

struct Geometry
{
    int slotWidth;                 // slot k (1..100) at x = slotWidth * k
    int zeroY;                     // the zero line
    int halfHeight;                // pixels from the zero line to +full scale
    int lineEnd;                   // horizontal lines run from x = 0 to here
    std::span<const int> gridRows; // dotted rows, top to bottom
    int tickTop;                   // tick marks under every slot
    int tickBottom;
    int discRadius;   // the dot on every reading
    int cursorBottom; // the cursor line runs from y = 0 to here
    // Cursor read-out: the value box stands at the pointer plus this offset,
    // pushed back inside the drawing area at the right and bottom edges.
    int boxOffsetX;
    int boxOffsetY;
    // Whether an over-range reading is read out without its unit.
    bool overRangeWithoutUnit;

    static const Geometry &display(); // the display window's 405 x 245 chart
    static const Geometry &graph();   // the graph window's 703 x 492 chart
};

// y of a value: zeroY - value * halfHeight / scale in double precision,
// nearest whole pixel, an exact half to the even neighbour; not clamped.
std::int32_t pointY(const Geometry &geometry, double value, std::int32_t scale);
// The slot nearest to x (may be 0 or beyond the window).
std::int32_t slotAt(const Geometry &geometry, double x);

// Fills gPlotPoints[0 .. gViewCount - 1] for the trend window with this
// chart's coordinates; nothing when the store is empty. Returns the points written.
int computePlotPoints(SharedState &state, const Geometry &geometry);

// The fixed lines line by line: the black zero line, the dotted silver grid
// rows, the silver tick marks.
void drawFixedLines(Canvas &canvas, const Geometry &geometry);

// Draws the chart without erasing it: the fixed lines (Canvas::fixedLines),
// and then, unless the store is empty, the
// trend window's readings as red discs joined by lines (computing the points
// first).
void drawChart(Canvas &canvas, const Geometry &geometry, SharedState &state);

// The cursor read-out for a pointer at (x, y) over a drawing area of `area`
// pixels.
struct CursorReadout
{
    bool inside = false; // 0 <= x <= width and 0 <= y <= height, bounds included
    int lineX = 0;       // the cursor line's column
    Point pointer;       // the pointer in whole pixels
    // The record of the slot under the pointer; nullptr when the slot lies
    // outside the window or its plot point names no stored record.
    const MeasurementRecord *record = nullptr;
    QString valueText;    // data, then unit (".OL" alone where the chart says so)
    QString functionText; // the record's function
    QString timeText;     // the record's time
};
CursorReadout readCursor(const Geometry &geometry, const SharedState &state, double x, double y, Size area);

// Where a read-out box of `size` goes along one axis: at `wanted`, or pushed
// back so that it ends at `limit`.
int pushInside(int wanted, int size, int limit);

} // namespace chart
