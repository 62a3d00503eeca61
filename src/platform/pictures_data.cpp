// Pictures of the data table window: its background and the toolbar faces.
#include "platform/picturekit.h"
#include "platform/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {

namespace {

using namespace kit;

// A sheet of paper with a folded top-right corner.
void drawPage(QPainter &p, const QRectF &sheet)
{
    const qreal fold = 4.0;
    QPainterPath outline;
    outline.moveTo(sheet.left(), sheet.top());
    outline.lineTo(sheet.right() - fold, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + fold);
    outline.lineTo(sheet.right(), sheet.bottom());
    outline.lineTo(sheet.left(), sheet.bottom());
    outline.closeSubpath();
    QLinearGradient paper(sheet.topLeft(), sheet.bottomRight());
    paper.setColorAt(0.0, Qt::white);
    paper.setColorAt(1.0, QColor(0xE4, 0xEA, 0xF2));
    p.setPen(QPen(QColor(0x6A, 0x74, 0x80), 1.0));
    p.setBrush(paper);
    p.drawPath(outline);

    QPainterPath corner;
    corner.moveTo(sheet.right() - fold, sheet.top());
    corner.lineTo(sheet.right() - fold, sheet.top() + fold);
    corner.lineTo(sheet.right(), sheet.top() + fold);
    p.setBrush(QColor(0xD0, 0xD8, 0xE2));
    p.drawPath(corner);
}

void drawDiskette(QPainter &p)
{
    const QRectF body(1.5, 1.5, 13, 13);
    QPainterPath outline;
    outline.moveTo(body.left(), body.top());
    outline.lineTo(body.right() - 2, body.top());
    outline.lineTo(body.right(), body.top() + 2);
    outline.lineTo(body.right(), body.bottom());
    outline.lineTo(body.left(), body.bottom());
    outline.closeSubpath();
    QLinearGradient plastic(body.topLeft(), body.bottomRight());
    plastic.setColorAt(0.0, QColor(0x4C, 0x7C, 0xC8));
    plastic.setColorAt(1.0, QColor(0x1E, 0x3E, 0x82));
    p.setPen(QPen(QColor(0x14, 0x2A, 0x5C), 1.0));
    p.setBrush(plastic);
    p.drawPath(outline);

    // Metal shutter at the top with its window.
    p.setPen(Qt::NoPen);
    QLinearGradient metal(QPointF(4, 2), QPointF(4, 6));
    metal.setColorAt(0.0, QColor(0xF2, 0xF4, 0xF6));
    metal.setColorAt(1.0, QColor(0xA8, 0xB0, 0xBA));
    p.setBrush(metal);
    p.drawRect(QRectF(4, 2, 7, 4.5));
    p.setBrush(QColor(0x1E, 0x3E, 0x82));
    p.drawRect(QRectF(8.5, 2.8, 1.6, 3));

    // Paper label at the bottom with two written lines.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 5.5));
    p.setPen(QPen(QColor(0x9A, 0xA6, 0xB8), 0.8));
    p.drawLine(QPointF(4.8, 10.5), QPointF(11.2, 10.5));
    p.drawLine(QPointF(4.8, 12.3), QPointF(11.2, 12.3));
}

void drawSpreadsheet(QPainter &p)
{
    const QRectF sheet(1.5, 2.5, 13, 11);
    p.setPen(QPen(QColor(0x1D, 0x6B, 0x36), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    // Green heading row and heading column, as in a spreadsheet.
    p.setPen(Qt::NoPen);
    QLinearGradient green(sheet.topLeft(), sheet.bottomLeft());
    green.setColorAt(0.0, QColor(0x4C, 0xB8, 0x6A));
    green.setColorAt(1.0, QColor(0x21, 0x8A, 0x43));
    p.setBrush(green);
    p.drawRect(QRectF(sheet.left() + 0.5, sheet.top() + 0.5, sheet.width() - 1, 2.5));
    p.drawRect(QRectF(sheet.left() + 0.5, sheet.top() + 0.5, 3.5, sheet.height() - 1));
    // Grid lines.
    p.setPen(QPen(QColor(0x2A, 0x8C, 0x4A), 1.0));
    for (const qreal x : {5.5, 9.5})
        p.drawLine(QPointF(x, sheet.top()), QPointF(x, sheet.bottom()));
    for (const qreal y : {5.5, 8.5, 11.0})
        p.drawLine(QPointF(sheet.left(), y), QPointF(sheet.right(), y));
}

void drawPrinter(QPainter &p)
{
    // Paper coming in at the back.
    p.setPen(QPen(QColor(0x80, 0x88, 0x92), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    // Body.
    QLinearGradient body(QPointF(0, 6), QPointF(0, 12));
    body.setColorAt(0.0, QColor(0xC8, 0xCE, 0xD6));
    body.setColorAt(1.0, QColor(0x7C, 0x86, 0x92));
    p.setPen(QPen(QColor(0x44, 0x4C, 0x58), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6.5), 1.5, 1.5);
    // Status light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3C, 0xC8, 0x50));
    p.drawEllipse(QPointF(12.2, 7.6), 0.9, 0.9);
    // Printed sheet coming out at the front.
    p.setPen(QPen(QColor(0x80, 0x88, 0x92), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(QPen(QColor(0x50, 0x6E, 0xAA), 0.8));
    p.drawLine(QPointF(5.8, 12.5), QPointF(10.2, 12.5));
}

} // namespace

QPixmap dataBackground()
{
    QPixmap pixmap(438, 600);
    QPainter p(&pixmap);
    lightBlueBand(p, QRect(0, 0, 438, 23), true);
    p.fillRect(QRect(0, 24, 438, 551), Qt::white);
    lightBlueBand(p, QRect(0, 576, 438, 24), false);
    p.setPen(kFrameBlue);
    for (const int row : {3, 23, 575})
        p.drawLine(0, row, 437, row);
    p.drawLine(2, 3, 2, 599);
    return pixmap;
}

QPixmap toolbarIcon(int index)
{
    QPixmap pixmap = transparentPixmap(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1:
        drawPage(p, QRectF(3.5, 1.5, 9, 13));
        break;
    case 2:
        drawDiskette(p);
        break;
    case 3:
        drawSpreadsheet(p);
        break;
    case 4:
        drawPrinter(p);
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace pictures
