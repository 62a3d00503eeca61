#include "platform/chartsurface.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

// What a painter drawing straight onto the chart would leave.
QImage drawnDirectly(QSize area, QColor back, QColor fill, const std::vector<std::pair<QPoint, int>> &discs)
{
    QImage image(area, QImage::Format_RGB32);
    image.fill(back);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(255, 0, 0), 1));
    p.setBrush(fill);
    for (const auto &[centre, radius] : discs)
        p.drawEllipse(centre, radius, radius);
    return image;
}

} // namespace

TEST(ChartSurface, DiscsMatchDirectDrawingPixelForPixel)
{
    ChartSurface surface(QSize(60, 40), 2);
    surface.setBackColor(QColor(0xE0, 0xE0, 0xE0));
    // Edges and corners included: a disc partly outside the area is clipped.
    const std::vector<std::pair<QPoint, int>> discs = {
        {{4, 20}, 2}, {{8, 21}, 2}, {{0, 0}, 2}, {{59, 39}, 2}, {{30, -1}, 2}, {{45, 10}, 3}, {{50, 30}, 2}};
    for (const auto &[centre, radius] : discs)
        surface.drawFilledCircle(centre, radius, QColor(255, 0, 0));
    EXPECT_EQ(surface.image(),
              drawnDirectly(QSize(60, 40), QColor(0xE0, 0xE0, 0xE0), QColor(255, 0, 0), discs));
}

TEST(ChartSurface, KeepsDrawingUntilTheBackColourIsSet)
{
    ChartSurface surface(QSize(20, 10), 0);
    surface.drawLine({0, 5}, {19, 5}, Qt::black);
    EXPECT_EQ(surface.image().pixelColor(10, 5), QColor(Qt::black));
    surface.drawLine({0, 2}, {19, 2}, Qt::blue); // earlier drawing stays
    EXPECT_EQ(surface.image().pixelColor(10, 5), QColor(Qt::black));
    surface.setBackColor(QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(surface.image().pixelColor(10, 5), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(surface.image().pixelColor(10, 2), QColor(0xE0, 0xE0, 0xE0));

    // A new fill colour gives new discs that colour.
    surface.setFillColor(Qt::green);
    surface.drawFilledCircle({10, 5}, 2, Qt::green);
    EXPECT_EQ(surface.image().pixelColor(10, 5), QColor(Qt::green));
}

namespace {

// A chart's drawing: the fixed lines, then a trace of discs joined by lines.
void drawTrace(ChartSurface &surface, const chart::Geometry &g, int shift, bool lineByLine = false)
{
    if (lineByLine)
        chart::drawFixedLines(surface, g);
    else
        surface.fixedLines(g);
    for (int k = 1; k < 60; ++k) {
        const QPoint a(g.slotWidth * k, g.zeroY - (k * 7 + shift) % g.halfHeight);
        const QPoint b(g.slotWidth * (k + 1), g.zeroY - ((k + 1) * 7 + shift) % g.halfHeight);
        surface.drawLine(a, b, QColor(255, 0, 0));
        surface.drawFilledCircle(a, g.discRadius, QColor(255, 0, 0));
    }
}

// The same drawing with every fixed line drawn one by one.
QImage drawnLineByLine(QSize area, QColor back, const chart::Geometry &g, int shift)
{
    ChartSurface surface(area, 0);
    surface.setBackColor(back);
    drawTrace(surface, g, shift, true);
    return surface.image();
}

} // namespace

// Redrawing a chart copies its fixed lines from the previous drawing when the
// surface was just erased to the same back colour; the pixels are those of
// drawing every line.
TEST(ChartSurface, RedrawsWithCopiedFixedLinesMatchDrawingEveryLine)
{
    const QColor back(0xE0, 0xE0, 0xE0);
    for (const chart::Geometry *g : {&chart::Geometry::display(), &chart::Geometry::graph()}) {
        const QSize area = g == &chart::Geometry::display() ? QSize(405, 245) : QSize(703, 492);
        ChartSurface surface(area, 2);
        for (int shift = 0; shift < 3; ++shift) {
            surface.setBackColor(back);
            drawTrace(surface, *g, shift);
            EXPECT_EQ(surface.image(), drawnLineByLine(area, back, *g, shift)) << "redraw " << shift;
        }
        // Another back colour, and back: no copy of lines drawn on another colour.
        for (const QColor other : {QColor(Qt::white), back}) {
            surface.setBackColor(other);
            drawTrace(surface, *g, 5);
            EXPECT_EQ(surface.image(), drawnLineByLine(area, other, *g, 5));
        }
    }
}

// Drawing the fixed lines over an earlier drawing keeps that drawing.
TEST(ChartSurface, FixedLinesOverADrawingKeepIt)
{
    const chart::Geometry &g = chart::Geometry::display();
    ChartSurface surface(QSize(405, 245), 2);
    surface.setBackColor(QColor(0xE0, 0xE0, 0xE0));
    surface.fixedLines(g); // drawn once on an erased surface: kept for copying
    surface.setBackColor(QColor(0xE0, 0xE0, 0xE0));
    surface.drawLine({0, 60}, {404, 60}, Qt::blue);
    surface.fixedLines(g);
    EXPECT_EQ(surface.image().pixelColor(200, 60), QColor(Qt::blue));
    EXPECT_EQ(surface.image().pixelColor(200, g.zeroY), QColor(Qt::black));
}
