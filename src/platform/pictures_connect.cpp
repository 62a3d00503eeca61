// Pictures of the main window and the connection strip.
#include "platform/picturekit.h"
#include "platform/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>

namespace pictures {

namespace {

using namespace kit;

// A handheld meter drawn into `r` (portrait, about 3:4): yellow holster,
// dark body, grey LCD with digits, rotary dial and two jacks.
void drawMeter(QPainter &p, const QRectF &r)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = r.width() / 30.0; // drawing unit

    QLinearGradient holster(r.topLeft(), r.topRight());
    holster.setColorAt(0.0, QColor(0xF6, 0xC3, 0x2C));
    holster.setColorAt(0.5, QColor(0xFF, 0xDA, 0x5A));
    holster.setColorAt(1.0, QColor(0xD9, 0x9E, 0x12));
    p.setPen(QPen(QColor(0x8A, 0x60, 0x08), std::max<qreal>(1.0, u * 0.6)));
    p.setBrush(holster);
    p.drawRoundedRect(r.adjusted(u * 0.5, u * 0.5, -u * 0.5, -u * 0.5), u * 4, u * 4);

    const QRectF body = r.adjusted(u * 3, u * 3, -u * 3, -u * 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x3F, 0x47));
    p.drawRoundedRect(body, u * 2.2, u * 2.2);

    const QRectF lcd(body.left() + u * 1.8, body.top() + u * 1.8, body.width() - u * 3.6,
                     body.height() * 0.32);
    QLinearGradient glass(lcd.topLeft(), lcd.bottomLeft());
    glass.setColorAt(0.0, QColor(0xD4, 0xDC, 0xC8));
    glass.setColorAt(1.0, QColor(0xA9, 0xB5, 0x9C));
    p.setBrush(glass);
    p.drawRoundedRect(lcd, u, u);
    if (r.width() >= 24) {
        QFont digits(QStringLiteral("Liberation Sans"));
        digits.setPixelSize(std::max(6, int(lcd.height() * 0.72)));
        digits.setBold(true);
        p.setFont(digits);
        p.setPen(QColor(0x20, 0x24, 0x20));
        p.drawText(lcd, Qt::AlignCenter, QStringLiteral("8.88"));
    }

    const QPointF dialCentre(body.center().x(), lcd.bottom() + (body.bottom() - lcd.bottom()) * 0.44);
    const qreal dialRadius = body.width() * 0.27;
    QRadialGradient knob(dialCentre - QPointF(dialRadius * 0.3, dialRadius * 0.3), dialRadius * 1.3);
    knob.setColorAt(0.0, QColor(0xF2, 0xF2, 0xF2));
    knob.setColorAt(1.0, QColor(0x8E, 0x92, 0x98));
    p.setBrush(knob);
    p.setPen(QPen(QColor(0x1E, 0x20, 0x24), std::max<qreal>(0.8, u * 0.4)));
    p.drawEllipse(dialCentre, dialRadius, dialRadius);
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), std::max<qreal>(1.0, u * 0.8), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dialCentre, dialCentre + QPointF(dialRadius * 0.55, -dialRadius * 0.65));

    const qreal jackY = body.bottom() - u * 2.4;
    const qreal jackR = std::max<qreal>(1.0, u * 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x20, 0x20));
    p.drawEllipse(QPointF(body.center().x() + u * 3.5, jackY), jackR, jackR);
    p.setBrush(QColor(0x10, 0x10, 0x10));
    p.drawEllipse(QPointF(body.center().x() - u * 3.5, jackY), jackR, jackR);
}

QPixmap iconPixmap(int size)
{
    QPixmap pixmap = transparentPixmap(size, size);
    QPainter p(&pixmap);
    const qreal w = size * 0.78;
    drawMeter(p, QRectF((size - w) / 2.0, 0.0, w, size));
    return pixmap;
}

QColor faceColour(int index)
{
    switch (index) {
    case 2:
        return QColor(0x1F, 0x5C, 0xD6); // blue
    case 3:
        return QColor(0xC4, 0x1F, 0xB4); // magenta
    case 4:
        return QColor(0x1B, 0x9E, 0x3A); // green
    default:
        return QColor(0x8C, 0x8C, 0x8C); // grey: the port is open
    }
}

QPixmap drawFace(int index)
{
    const QColor colour = faceColour(index);
    QPixmap pixmap = transparentPixmap(100, 30);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF plate(1.0, 1.0, 98.0, 28.0);
    QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
    fill.setColorAt(0.0, Qt::white);
    fill.setColorAt(0.55, colour.lighter(190));
    fill.setColorAt(1.0, colour.lighter(150));
    p.setPen(QPen(colour.darker(115), 1.4));
    p.setBrush(fill);
    p.drawRoundedRect(plate, 7.0, 7.0);

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(plate.translated(0.0, 1.0), Qt::AlignCenter, QStringLiteral("CONNECT"));
    p.setPen(colour.darker(110));
    p.drawText(plate, Qt::AlignCenter, QStringLiteral("CONNECT"));
    return pixmap;
}

// A round sign on a 40 x 41 transparent picture.
QPixmap roundSign(const QColor &disc, const QColor &rim)
{
    QPixmap pixmap = transparentPixmap(40, 41);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(20.0, 20.5);
    QRadialGradient shade(c - QPointF(5, 6), 20.0);
    shade.setColorAt(0.0, disc.lighter(125));
    shade.setColorAt(1.0, disc);
    p.setPen(QPen(rim, 3.2));
    p.setBrush(shade);
    p.drawEllipse(c, 14.5, 14.5);
    return pixmap;
}

} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(iconPixmap(size));
    return icon;
}

QPixmap appIconPixmap(int size)
{
    return iconPixmap(size);
}

QPixmap connectBackground()
{
    QPixmap pixmap(950, 40);
    QPainter p(&pixmap);
    lightBlueBand(p, pixmap.rect());
    p.setPen(kFrameBlue);
    p.drawLine(0, 39, 949, 39);
    p.setPen(QColor(255, 255, 255, 170));
    p.drawLine(0, 0, 949, 0);
    return pixmap;
}

QPixmap connectFace(int index)
{
    return drawFace(std::clamp(index, 1, 4));
}

QPixmap computer()
{
    QPixmap pixmap = transparentPixmap(40, 41);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Monitor.
    const QRectF bezel(3.5, 4.5, 33.0, 23.0);
    QLinearGradient case_(bezel.topLeft(), bezel.bottomLeft());
    case_.setColorAt(0.0, QColor(0xF0, 0xF0, 0xEC));
    case_.setColorAt(1.0, QColor(0xB8, 0xB8, 0xB2));
    p.setPen(QPen(QColor(0x55, 0x58, 0x5E), 1.0));
    p.setBrush(case_);
    p.drawRoundedRect(bezel, 2.5, 2.5);
    const QRectF screen = bezel.adjusted(3.0, 3.0, -3.0, -4.0);
    QLinearGradient glass(screen.topLeft(), screen.bottomRight());
    glass.setColorAt(0.0, QColor(0x5F, 0xA8, 0xF0));
    glass.setColorAt(1.0, QColor(0x12, 0x3C, 0x8C));
    p.setPen(QPen(QColor(0x30, 0x34, 0x3A), 0.8));
    p.setBrush(glass);
    p.drawRect(screen);
    // A trace on the screen.
    p.setPen(QPen(QColor(0xB8, 0xFF, 0xB0), 1.2));
    const std::array<QPointF, 6> trace{QPointF(8, 19),  QPointF(12, 14), QPointF(16, 17),
                                       QPointF(21, 11), QPointF(26, 15), QPointF(32, 12)};
    p.drawPolyline(trace.data(), static_cast<int>(trace.size()));

    // Stand and keyboard.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8A, 0x8C, 0x90));
    p.drawRect(QRectF(17.0, 27.5, 6.0, 3.5));
    p.setBrush(QColor(0xA8, 0xAA, 0xAE));
    p.drawRoundedRect(QRectF(11.0, 30.5, 18.0, 2.5), 1.0, 1.0);
    QLinearGradient keys(0.0, 34.0, 0.0, 39.0);
    keys.setColorAt(0.0, QColor(0xE6, 0xE6, 0xE2));
    keys.setColorAt(1.0, QColor(0xA4, 0xA4, 0x9E));
    p.setPen(QPen(QColor(0x55, 0x58, 0x5E), 0.8));
    p.setBrush(keys);
    p.drawRoundedRect(QRectF(4.5, 34.0, 31.0, 5.5), 1.5, 1.5);
    p.setPen(QPen(QColor(0x70, 0x72, 0x76), 0.7));
    for (qreal x = 7.0; x < 34.0; x += 3.0)
        p.drawLine(QPointF(x, 35.6), QPointF(x + 1.4, 35.6));
    for (qreal x = 8.5; x < 33.0; x += 3.0)
        p.drawLine(QPointF(x, 37.6), QPointF(x + 1.4, 37.6));
    return pixmap;
}

QPixmap multimeter()
{
    QPixmap pixmap = transparentPixmap(40, 41);
    QPainter p(&pixmap);
    drawMeter(p, QRectF(5.0, 0.5, 30.0, 40.0));
    return pixmap;
}

QPixmap prohibitionSign()
{
    QPixmap pixmap = roundSign(Qt::white, QColor(0xD4, 0x14, 0x14));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xD4, 0x14, 0x14), 3.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(10.2, 10.7), QPointF(29.8, 30.3));
    return pixmap;
}

QPixmap linkArrow()
{
    QPixmap pixmap = roundSign(QColor(0xFF, 0xD8, 0x1C), QColor(0xE0, 0xA0, 0x00));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(9.0, 17.5);
    arrow.lineTo(20.0, 17.5);
    arrow.lineTo(20.0, 12.5);
    arrow.lineTo(31.0, 20.5);
    arrow.lineTo(20.0, 28.5);
    arrow.lineTo(20.0, 23.5);
    arrow.lineTo(9.0, 23.5);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x8A, 0x08, 0x08), 0.8));
    p.setBrush(QColor(0xD8, 0x18, 0x18));
    p.drawPath(arrow);
    return pixmap;
}

QCursor connectPointer()
{
    return pointingHand();
}

} // namespace pictures
