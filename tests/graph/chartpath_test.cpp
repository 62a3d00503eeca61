// The chart path both windows draw with: point mapping, the drawing order on
// a recording canvas, and the cursor read-out.
#include "graph/chartpath.h"

#include <gtest/gtest.h>

#include <vector>

using chart::Geometry;
using chart::Point;

namespace {

struct Call
{
    enum Kind { Line, Disc } kind;
    Point a, b;
    chart::Bgr color;
    bool dotted = false;
    int radius = 0;
};

class RecordingCanvas : public chart::Canvas
{
public:
    std::vector<Call> calls;
    void line(Point from, Point to, chart::Bgr color, bool dotted) override
    {
        calls.push_back({Call::Line, from, to, color, dotted});
    }
    void filledCircle(Point centre, int radius, chart::Bgr outline) override
    {
        calls.push_back({Call::Disc, centre, centre, outline, false, radius});
    }
};

MeasurementRecord reading(double value, const QString &data = QStringLiteral("1.000"))
{
    MeasurementRecord r;
    r.value = value;
    r.function = QStringLiteral("VDC");
    r.unit = QStringLiteral("V");
    r.data = data;
    r.time = QStringLiteral("5/17/24\\14:03:09");
    return r;
}

void fill(SharedState &s, int n, double value = 1.0)
{
    for (int i = 0; i < n; ++i)
        s.append(reading(value));
}

// The fixed part of a chart: zero line, grid rows, ticks.
std::size_t fixedCalls(const Geometry &g)
{
    return 1 + g.gridRows.size() + SharedState::kPageSize;
}

} // namespace

TEST(ChartPath, PointsAndSlotsOfBothCharts)
{
    const Geometry &d = Geometry::display();
    EXPECT_EQ(chart::pointY(d, 400, 400), 23);
    EXPECT_EQ(chart::pointY(d, -400, 400), 223);
    EXPECT_EQ(chart::pointY(d, 600, 400), -27);
    EXPECT_EQ(chart::pointY(d, 2, 400), 122); // 122.5, half to even
    EXPECT_EQ(chart::pointY(d, 6, 400), 122); // 121.5
    EXPECT_EQ(chart::pointY(d, 10, 10), 23);
    EXPECT_EQ(chart::slotAt(d, 6), 2);
    EXPECT_EQ(chart::slotAt(d, 10), 2);
    EXPECT_EQ(chart::slotAt(d, 1), 0);

    const Geometry &g = Geometry::graph();
    EXPECT_EQ(chart::pointY(g, 400, 400), 31);
    EXPECT_EQ(chart::pointY(g, -400, 400), 463);
    EXPECT_EQ(chart::pointY(g, 0, 400), 247);
    EXPECT_EQ(chart::pointY(g, 1.0, 400), 246);
    EXPECT_EQ(chart::pointY(g, 600, 400), -77); // beyond the scale: not clamped
    EXPECT_EQ(chart::slotAt(g, 700), 100);
    EXPECT_EQ(chart::slotAt(g, 2), 0);
    ASSERT_EQ(g.gridRows.size(), 17u);
    EXPECT_EQ(g.gridRows.front(), 31);
    EXPECT_EQ(g.gridRows[8], 247);
    EXPECT_EQ(g.gridRows.back(), 463);
}

TEST(ChartPath, PlotPointsFollowTheWindowAndLeaveTheRest)
{
    SharedState s;
    for (int i = 1; i <= 150; ++i)
        s.append(reading(i));
    s.gPlotPoints[60] = {7, 7, 7};
    s.gViewStart = 101;
    s.gViewCount = 50;
    const Geometry &d = Geometry::display();
    EXPECT_EQ(chart::computePlotPoints(s, d), 50);
    EXPECT_EQ(s.gPlotPoints[0].number, 101);
    EXPECT_EQ(s.gPlotPoints[0].x, 4);
    EXPECT_EQ(s.gPlotPoints[0].y, chart::pointY(d, 101, 400));
    EXPECT_EQ(s.gPlotPoints[49].number, 150);
    EXPECT_EQ(s.gPlotPoints[49].x, 200);
    EXPECT_EQ(s.gPlotPoints[60].number, 7);

    // The graph chart writes the same entries with its own coordinates.
    EXPECT_EQ(chart::computePlotPoints(s, Geometry::graph()), 50);
    EXPECT_EQ(s.gPlotPoints[49].x, 350);

    s.empty();
    s.gPlotPoints[0] = {};
    EXPECT_EQ(chart::computePlotPoints(s, Geometry::graph()), 0);
    EXPECT_EQ(s.gPlotPoints[0].number, 0);
}

TEST(ChartPath, EmptyStoreDrawsOnlyTheFixedPartInOrder)
{
    for (const Geometry *g : {&Geometry::display(), &Geometry::graph()}) {
        SharedState s;
        s.gViewCount = 5; // stale window after the store was emptied
        RecordingCanvas canvas;
        chart::drawChart(canvas, *g, s);
        ASSERT_EQ(canvas.calls.size(), fixedCalls(*g));
        const Call &zero = canvas.calls[0];
        EXPECT_EQ(zero.a, (Point{0, g->zeroY}));
        EXPECT_EQ(zero.b, (Point{g->lineEnd, g->zeroY}));
        EXPECT_EQ(zero.color, chart::kBlack);
        EXPECT_FALSE(zero.dotted);
        for (std::size_t k = 0; k < g->gridRows.size(); ++k) {
            const Call &row = canvas.calls[1 + k];
            EXPECT_TRUE(row.dotted);
            EXPECT_EQ(row.color, chart::kGridSilver);
            EXPECT_EQ(row.a.y, g->gridRows[k]);
        }
        const Call &lastTick = canvas.calls.back();
        EXPECT_FALSE(lastTick.dotted);
        EXPECT_EQ(lastTick.color, chart::kGridSilver);
        EXPECT_EQ(lastTick.a, (Point{g->slotWidth * 100, g->tickTop}));
        EXPECT_EQ(lastTick.b, (Point{g->slotWidth * 100, g->tickBottom}));
        EXPECT_EQ(s.gPlotPoints[0].number, 0); // untouched
    }
}

TEST(ChartPath, ReadingsAreDiscsJoinedByLines)
{
    const Geometry &g = Geometry::graph();
    SharedState s;
    fill(s, 1, 400);
    s.gViewCount = 1;
    RecordingCanvas one;
    chart::drawChart(one, g, s);
    ASSERT_EQ(one.calls.size(), fixedCalls(g) + 1);
    EXPECT_EQ(one.calls.back().kind, Call::Disc);
    EXPECT_EQ(one.calls.back().a, (Point{7, 31}));
    EXPECT_EQ(one.calls.back().radius, 2);
    EXPECT_EQ(one.calls.back().color, chart::kTraceRed);

    // A full window: for every slot from 2 a line back, then both discs.
    SharedState full;
    for (int i = 0; i < 100; ++i)
        full.append(reading(i % 2 == 0 ? 0.0 : -400.0));
    full.gViewCount = 100;
    RecordingCanvas canvas;
    chart::drawChart(canvas, g, full);
    ASSERT_EQ(canvas.calls.size(), fixedCalls(g) + 99 * 3);
    const std::size_t at = fixedCalls(g);
    EXPECT_EQ(canvas.calls[at].kind, Call::Line);
    EXPECT_EQ(canvas.calls[at].a, (Point{14, 463}));
    EXPECT_EQ(canvas.calls[at].b, (Point{7, 247}));
    EXPECT_EQ(canvas.calls[at + 1].a, (Point{14, 463}));
    EXPECT_EQ(canvas.calls[at + 2].a, (Point{7, 247}));
    EXPECT_EQ(canvas.calls.back().a, (Point{693, 247}));
    EXPECT_EQ(full.gPlotPoints[99].x, 700);
}

TEST(ChartPath, CursorReadsTheRecordOfTheNearestSlot)
{
    SharedState s;
    fill(s, 3);
    s.append(reading(400, QStringLiteral(".OL")));
    s.gViewCount = 4;
    const Geometry &d = Geometry::display();
    chart::computePlotPoints(s, d);
    const chart::Size area{405, 245};

    auto at = [&](const Geometry &g, double x, double y = 10) { return chart::readCursor(g, s, x, y, area); };
    EXPECT_FALSE(at(d, -0.5).inside);
    EXPECT_FALSE(at(d, 406).inside);
    EXPECT_FALSE(at(d, 10, 246).inside);
    EXPECT_TRUE(at(d, 405, 245).inside); // the bounds count as inside

    const chart::CursorReadout slot2 = at(d, 6); // 1.5 rounds to 2
    EXPECT_EQ(slot2.record, &s.gRecords[1]);
    EXPECT_EQ(slot2.valueText, "1.000V");
    EXPECT_EQ(slot2.functionText, "VDC");
    EXPECT_EQ(slot2.timeText, "5/17/24\\14:03:09");
    EXPECT_EQ(at(d, 10).record, &s.gRecords[1]); // 2.5 rounds to 2
    const chart::CursorReadout none = at(d, 1);  // slot 0
    EXPECT_TRUE(none.inside);
    EXPECT_EQ(none.record, nullptr);
    EXPECT_TRUE(none.valueText.isEmpty());
    EXPECT_EQ(at(d, 20).record, nullptr); // slot 5: beyond the window

    // Over range: the display shows ".OL" alone, the graph window with its unit.
    EXPECT_EQ(at(d, 16).valueText, ".OL");
    EXPECT_EQ(at(Geometry::graph(), 28).valueText, ".OLV");

    // Plot points left over from before the store was emptied read nothing.
    s.empty();
    EXPECT_EQ(at(d, 6).record, nullptr);
}

TEST(ChartPath, BoxesArePushedInsideAtTheFarEdges)
{
    EXPECT_EQ(chart::pushInside(103, 99, 405), 103);
    EXPECT_EQ(chart::pushInside(350, 99, 405), 306);
    EXPECT_EQ(chart::pushInside(306, 99, 405), 306); // ending exactly at the edge stays
}
