#pragma once

#include "graph/chartpath.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

class QPainter;

// A picture surface that keeps what is drawn on it until its back colour is
// set: drawing goes into a backing image; painting only copies the image to
// the screen. Coordinates are pixels of the drawing area (inside the border),
// origin top left; drawing outside the area is clipped.
class ChartSurface : public QWidget, public chart::Canvas
{
    Q_OBJECT
public:
    // `border`: pixels of frame on each side (the drawing area lies inside).
    ChartSurface(QSize drawingArea, int border, QWidget *parent = nullptr);
    ~ChartSurface() override;

    QSize drawingArea() const { return m_image.size(); }
    int scaleWidth() const { return m_image.width(); }
    int scaleHeight() const { return m_image.height(); }

    // Setting the back colour erases everything drawn.
    void setBackColor(QColor color);
    QColor backColor() const { return m_back; }
    QColor fillColor() const { return m_fill; }
    void setFillColor(QColor color) { m_fill = color; }

    // Drawing calls, 1-pixel lines.
    void drawLine(QPoint from, QPoint to, QColor color, bool dotted = false);
    // Circle of the given radius, outline in `outline`, filled with the fill colour.
    void drawFilledCircle(QPoint centre, int radius, QColor outline);

    // The chart path's canvas.
    void line(chart::Point from, chart::Point to, chart::Bgr color, bool dotted) override;
    void filledCircle(chart::Point centre, int radius, chart::Bgr outline) override;
    // On a surface just erased, the fixed lines of a geometry drawn before on
    // the same back colour are copied from that drawing.
    void fixedLines(const chart::Geometry &geometry) override;

    // The drawn content, for tests and screenshots.
    const QImage &image() const;

    // The drawing area's top-left corner in widget coordinates.
    QPoint origin() const { return {m_border, m_border}; }

Q_SIGNALS:
    // The pointer moved: position in drawing-area pixels (may lie outside
    // the area while the pointer is captured by a pressed button).
    void pointerMoved(QPointF position);
    // The pointer left the surface.
    void pointerLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // Drawing calls share one painter on the backing image (opening a painter
    // costs more than a short line); it is closed before the image is shown,
    // read or erased.
    QPainter &painter();
    void finishDrawing() const;
    // Setting the back colour only notes it; the image is filled when it is
    // next drawn on, read or shown (unless the fixed lines are copied first).
    void fillIfPending() const;
    // Something was drawn: the surface is no longer just erased and is to be
    // shown again (one repaint request however many calls come before it).
    void drawn();

    // The fixed lines as last drawn on an erased surface, and what they were
    // drawn for.
    struct FixedLines
    {
        QImage image;
        QColor back;
        int slotWidth = 0, zeroY = 0, lineEnd = 0, tickTop = 0, tickBottom = 0;
        std::vector<int> gridRows;
        bool drawnFor(const chart::Geometry &g, QColor backColor, QSize size) const;
    };
    FixedLines m_fixedLines;

    mutable std::unique_ptr<QPainter> m_painter;
    // The last disc drawn, kept as a sprite: a chart draws hundreds of the
    // same small disc per paint. Drawn without anti-aliasing, so the sprite
    // copies exactly the pixels a direct drawing would set.
    QImage m_disc;
    int m_discRadius = -1;
    QColor m_discOutline;
    QColor m_discFill;
    mutable QImage m_image;
    mutable bool m_fillPending = false;
    bool m_erased = true;          // the image holds the back colour alone
    bool m_repaintPending = false; // an update() since the last paint
    int m_border = 0;
    QColor m_back{0xE0, 0xE0, 0xE0};
    QColor m_fill{0xFF, 0x00, 0x00};
};
