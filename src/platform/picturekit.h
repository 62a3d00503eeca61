#pragma once

// Drawing helpers shared by the picture modules of the windows.
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace pictures::kit {

// A colour given as 0x00BBGGRR.
inline QColor bgr(quint32 value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// The frame lines of the windows' bands.
inline const QColor kFrameBlue = bgr(0xAA6E50);

inline QPixmap transparentPixmap(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The light-blue band of the window edges: light at the top (or, with
// lightAtTop false, at the bottom).
inline void lightBlueBand(QPainter &p, const QRect &r, bool lightAtTop = true)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const QColor light(0xF2, 0xF7, 0xFD);
    const QColor deep(0xB4, 0xCF, 0xEC);
    g.setColorAt(0.0, lightAtTop ? light : deep);
    g.setColorAt(0.5, QColor(0xD3, 0xE4, 0xF6));
    g.setColorAt(1.0, lightAtTop ? deep : light);
    p.fillRect(r, g);
}

} // namespace pictures::kit
