#include "platform/chartsurface.h"

#include "platform/uikit.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

ChartSurface::ChartSurface(QSize drawingArea, int border, QWidget *parent)
    : QWidget(parent), m_image(drawingArea, QImage::Format_RGB32), m_border(border)
{
    setFixedSize(drawingArea.width() + 2 * border, drawingArea.height() + 2 * border);
    // The paint covers every pixel (up to two rings of border, then the
    // image): nothing under the surface needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent, border <= 2);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    m_image.fill(m_back);
}

ChartSurface::~ChartSurface()
{
    finishDrawing();
}

QPainter &ChartSurface::painter()
{
    if (!m_painter) {
        fillIfPending();
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
    }
    return *m_painter;
}

void ChartSurface::finishDrawing() const
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
}

void ChartSurface::fillIfPending() const
{
    if (!m_fillPending)
        return;
    m_fillPending = false;
    m_image.fill(m_back);
}

void ChartSurface::drawn()
{
    m_erased = false;
    if (m_repaintPending)
        return;
    m_repaintPending = true;
    update();
}

const QImage &ChartSurface::image() const
{
    finishDrawing();
    fillIfPending();
    return m_image;
}

void ChartSurface::setBackColor(QColor color)
{
    finishDrawing();
    m_back = color;
    m_fillPending = true;
    m_erased = true;
    m_repaintPending = true;
    update();
}

bool ChartSurface::FixedLines::drawnFor(const chart::Geometry &g, QColor backColor, QSize size) const
{
    return !image.isNull() && image.size() == size && back == backColor && slotWidth == g.slotWidth &&
           zeroY == g.zeroY && lineEnd == g.lineEnd && tickTop == g.tickTop && tickBottom == g.tickBottom &&
           std::equal(gridRows.begin(), gridRows.end(), g.gridRows.begin(), g.gridRows.end());
}

void ChartSurface::fixedLines(const chart::Geometry &g)
{
    if (!m_erased) {
        chart::Canvas::fixedLines(g);
        return;
    }
    if (m_fixedLines.drawnFor(g, m_back, m_image.size())) {
        // The same lines on the same erased surface: the same pixels.
        finishDrawing();
        m_fillPending = false;
        std::memcpy(m_image.bits(), m_fixedLines.image.constBits(),
                    static_cast<std::size_t>(m_image.sizeInBytes()));
        drawn();
        return;
    }
    chart::Canvas::fixedLines(g);
    finishDrawing();
    m_fixedLines.image = m_image.copy();
    m_fixedLines.back = m_back;
    m_fixedLines.slotWidth = g.slotWidth;
    m_fixedLines.zeroY = g.zeroY;
    m_fixedLines.lineEnd = g.lineEnd;
    m_fixedLines.tickTop = g.tickTop;
    m_fixedLines.tickBottom = g.tickBottom;
    m_fixedLines.gridRows.assign(g.gridRows.begin(), g.gridRows.end());
}

void ChartSurface::drawLine(QPoint from, QPoint to, QColor color, bool dotted)
{
    QPainter &p = painter();
    QPen pen(color, 1, dotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(from, to);
    drawn();
}

void ChartSurface::drawFilledCircle(QPoint centre, int radius, QColor outline)
{
    if (radius != m_discRadius || outline != m_discOutline || m_fill != m_discFill) {
        const int side = 2 * radius + 3;
        m_disc = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        m_disc.fill(Qt::transparent);
        QPainter sprite(&m_disc);
        sprite.setRenderHint(QPainter::Antialiasing, false);
        sprite.setPen(QPen(outline, 1));
        sprite.setBrush(m_fill);
        sprite.drawEllipse(QPoint(radius + 1, radius + 1), radius, radius);
        m_discRadius = radius;
        m_discOutline = outline;
        m_discFill = m_fill;
    }
    painter().drawImage(centre - QPoint(m_discRadius + 1, m_discRadius + 1), m_disc);
    drawn();
}

void ChartSurface::line(chart::Point from, chart::Point to, chart::Bgr color, bool dotted)
{
    drawLine({from.x, from.y}, {to.x, to.y}, uikit::bgr(color), dotted);
}

void ChartSurface::filledCircle(chart::Point centre, int radius, chart::Bgr outline)
{
    drawFilledCircle({centre.x, centre.y}, radius, uikit::bgr(outline));
}

void ChartSurface::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    finishDrawing();
    fillIfPending();
    QPainter p(this);
    if (m_border > 0) {
        // Sunken single border.
        const QRect r = rect();
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        if (m_border > 1) {
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        }
    }
    p.drawImage(origin(), m_image);
}

// A hidden surface is not repainted: what is drawn meanwhile asks again.
void ChartSurface::hideEvent(QHideEvent *event)
{
    m_repaintPending = false;
    QWidget::hideEvent(event);
}

void ChartSurface::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT pointerMoved(event->position() - QPointF(origin()));
}

void ChartSurface::leaveEvent(QEvent *event)
{
    Q_EMIT pointerLeft();
    QWidget::leaveEvent(event);
}
