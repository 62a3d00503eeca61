// Pictures of the display window: background panels, LCD diode symbol,
// chart navigation faces, graph and scale buttons, pointing-hand pointer.
#include "platform/picturekit.h"
#include "platform/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {

namespace {

using namespace kit;

const QColor kLcdPanel = bgr(0x70706C);
const QColor kLowerPanel = bgr(0xA6A69E);
const QColor kSymbolBlue(0x1E, 0x4F, 0xB4);

// A filled triangle pointing left (dir -1) or right (dir +1) with its tip at x.
void arrowHead(QPainter &p, qreal tipX, qreal midY, qreal length, qreal halfHeight, int dir)
{
    const qreal baseX = tipX - dir * length;
    QPainterPath path;
    path.moveTo(tipX, midY);
    path.lineTo(baseX, midY - halfHeight);
    path.lineTo(baseX, midY + halfHeight);
    path.closeSubpath();
    p.fillPath(path, p.brush());
}

// A filled triangle pointing up (dir -1) or down (dir +1) with its tip at y.
void verticalArrow(QPainter &p, qreal midX, qreal tipY, qreal length, qreal halfWidth, int dir)
{
    const qreal baseY = tipY - dir * length;
    QPainterPath path;
    path.moveTo(midX, tipY);
    path.lineTo(midX - halfWidth, baseY);
    path.lineTo(midX + halfWidth, baseY);
    path.closeSubpath();
    p.fillPath(path, p.brush());
}

} // namespace

QPixmap showBackground()
{
    QPixmap pm(500, 600);
    QPainter p(&pm);
    // Light blue everywhere the panels leave free (the gap under the LCD, the right edge).
    p.fillRect(0, 0, 500, 600, QColor(0xC6, 0xDA, 0xF0));
    lightBlueBand(p, QRect(0, 0, 500, 24));
    lightBlueBand(p, QRect(0, 575, 500, 25));
    p.setPen(kFrameBlue);
    p.drawLine(0, 0, 499, 0);
    p.drawLine(0, 23, 499, 23);
    p.drawLine(0, 575, 499, 575);
    p.drawLine(0, 599, 499, 599);

    p.fillRect(0, 24, 496, 200, kLcdPanel);
    p.setPen(Qt::white);
    p.drawLine(0, 224, 495, 224);
    p.fillRect(0, 225, 496, 7, QColor(0xC6, 0xDA, 0xF0));
    p.fillRect(0, 232, 496, 343, kLowerPanel);

    // Right edge: a narrow band shaded like the top band, turned on its side.
    QLinearGradient edge(496, 0, 500, 0);
    edge.setColorAt(0.0, QColor(0xB4, 0xCF, 0xEC));
    edge.setColorAt(1.0, QColor(0xE6, 0xF0, 0xFB));
    p.fillRect(496, 24, 4, 551, edge);
    return pm;
}

QPixmap diodeSymbol()
{
    // Drawn in the top 17 rows: the picture box that shows it is 17 pixels high.
    QPixmap pm = transparentPixmap(32, 20);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(2, 8.5), QPointF(11, 8.5));
    p.drawLine(QPointF(20, 8.5), QPointF(30, 8.5));
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    QPainterPath triangle;
    triangle.moveTo(11, 2);
    triangle.lineTo(19, 8.5);
    triangle.lineTo(11, 15);
    triangle.closeSubpath();
    p.drawPath(triangle);
    p.fillRect(QRectF(19, 2, 2, 13), Qt::black);
    return pm;
}

QPixmap navFace(int index)
{
    const bool hover = index > 5;
    const int symbol = hover ? index - 5 : index;
    QPixmap pm(60, 21);
    QPainter p(&pm);
    QLinearGradient face(0, 0, 0, 21);
    if (hover) {
        face.setColorAt(0.0, QColor(0xF0, 0xFA, 0xB4));
        face.setColorAt(1.0, QColor(0xB6, 0xD8, 0x3C));
    } else {
        face.setColorAt(0.0, QColor(0xF6, 0xF6, 0xF6));
        face.setColorAt(1.0, QColor(0xD2, 0xD2, 0xD2));
    }
    p.fillRect(pm.rect(), face);
    p.setPen(hover ? QColor(0x7A, 0x9A, 0x1E) : QColor(0x9A, 0x9A, 0x9A));
    p.drawRect(0, 0, 59, 20);

    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kSymbolBlue);
    p.setPen(Qt::NoPen);
    const qreal midY = 10.5;
    switch (symbol) {
    case 1: // bar, arrow to the left
        p.fillRect(QRectF(22, 4.5, 2.5, 12), kSymbolBlue);
        arrowHead(p, 25.5, midY, 10, 6, -1);
        break;
    case 2: // arrow to the left
        arrowHead(p, 25, midY, 10, 6, -1);
        break;
    case 3: // dot
        p.drawEllipse(QPointF(30, midY), 4.5, 4.5);
        break;
    case 4: // arrow to the right
        arrowHead(p, 35, midY, 10, 6, +1);
        break;
    default: // arrow to the right, bar
        arrowHead(p, 34.5, midY, 10, 6, +1);
        p.fillRect(QRectF(35.5, 4.5, 2.5, 12), kSymbolBlue);
        break;
    }
    return pm;
}

QPixmap magnifier()
{
    QPixmap pm = transparentPixmap(40, 40);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(16, 16);
    const qreal radius = 11;

    // Handle first, so the rim covers its inner end.
    QPen handle(QColor(0x5A, 0x3A, 0x1E), 6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(handle);
    p.drawLine(QPointF(25, 25), QPointF(35, 35));

    QRadialGradient glass(centre - QPointF(4, 4), radius * 1.6);
    glass.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
    glass.setColorAt(1.0, QColor(0xB8, 0xD6, 0xF2));
    p.setBrush(glass);
    p.setPen(QPen(QColor(0x40, 0x48, 0x58), 3));
    p.drawEllipse(centre, radius, radius);

    p.setPen(QPen(kSymbolBlue, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(centre.x() - 6, centre.y()), QPointF(centre.x() + 6, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - 6), QPointF(centre.x(), centre.y() + 6));
    return pm;
}

QPixmap stepFace(int index)
{
    // 1 and 3 are flat (pressed), 2 and 4 raised; 2 and 3 show the up arrow on top.
    const bool raised = index == 2 || index == 4;
    const bool upOnTop = index == 2 || index == 3;
    QPixmap pm(40, 40);
    QPainter p(&pm);
    if (raised) {
        QLinearGradient face(0, 0, 0, 40);
        face.setColorAt(0.0, QColor(0xF4, 0xF4, 0xF2));
        face.setColorAt(1.0, QColor(0xD0, 0xD0, 0xCC));
        p.fillRect(pm.rect(), face);
        p.setPen(Qt::white);
        p.drawLine(0, 0, 38, 0);
        p.drawLine(0, 0, 0, 38);
        p.drawLine(1, 1, 37, 1);
        p.drawLine(1, 1, 1, 37);
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawLine(0, 39, 39, 39);
        p.drawLine(39, 0, 39, 39);
        p.setPen(QColor(0x88, 0x88, 0x88));
        p.drawLine(1, 38, 38, 38);
        p.drawLine(38, 1, 38, 38);
    } else {
        p.fillRect(pm.rect(), QColor(0xC8, 0xC8, 0xC4));
        p.setPen(QColor(0x70, 0x70, 0x70));
        p.drawRect(0, 0, 39, 39);
    }

    // A pressed face shows its symbols one pixel down and right.
    const qreal shift = raised ? 0.0 : 1.0;
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kSymbolBlue);
    p.setPen(Qt::NoPen);
    const qreal mid = 19.5 + shift;
    if (upOnTop) {
        verticalArrow(p, mid, 5 + shift, 11, 9, -1);
        verticalArrow(p, mid, 34 + shift, 11, 9, +1);
    } else {
        verticalArrow(p, mid, 17 + shift, 11, 9, +1);
        verticalArrow(p, mid, 22 + shift, 11, 9, -1);
    }
    return pm;
}

QCursor pointingHand()
{
    // Index finger up, its tip on the hot spot (12, 1).
    QPixmap pm = transparentPixmap(32, 32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    auto rounded = [](const QRectF &r, qreal radius) {
        QPainterPath path;
        path.addRoundedRect(r, radius, radius);
        return path;
    };
    QPainterPath thumb = rounded(QRectF(-2.5, -1, 5, 10), 2.5);
    QTransform t;
    t.translate(7.5, 16);
    t.rotate(-40);
    QPainterPath hand = rounded(QRectF(9.5, 0.5, 5, 18), 2.5);    // index finger
    hand = hand.united(rounded(QRectF(14.5, 8.5, 4.5, 10), 2.2)); // middle finger
    hand = hand.united(rounded(QRectF(19, 9.5, 4.5, 9), 2.2));    // ring finger
    hand = hand.united(rounded(QRectF(23.5, 11, 4, 8), 2));       // little finger
    hand = hand.united(rounded(QRectF(8.5, 15, 19, 11), 4));      // palm
    hand = hand.united(t.map(thumb));

    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.drawRect(QRectF(11.5, 25.5, 13, 5)); // cuff
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.drawLine(QPointF(14.5, 12), QPointF(14.5, 16.5));
    p.drawLine(QPointF(19, 13), QPointF(19, 16.5));
    p.drawLine(QPointF(23.5, 14), QPointF(23.5, 17));
    return QCursor(pm, 12, 1);
}

} // namespace pictures
