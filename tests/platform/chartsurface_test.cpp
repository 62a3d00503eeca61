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
