#include "platform/imagebutton.h"

#include <QMouseEvent>

ImageButton::ImageButton(QWidget *parent) : QLabel(parent)
{
    setScaledContents(true);
}

void ImageButton::setFace(const QPixmap &face)
{
    setPixmap(face);
}

void ImageButton::mousePressEvent(QMouseEvent *event)
{
    m_down = true;
    Q_EMIT pressed();
    event->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasDown = m_down;
    m_down = false;
    Q_EMIT released();
    // A click is a press and a release over the button, whichever mouse button.
    if (wasDown && rect().contains(event->position().toPoint()) && isEnabled())
        Q_EMIT clicked();
    event->accept();
}

void ImageButton::enterEvent(QEnterEvent *event)
{
    Q_EMIT entered();
    QLabel::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent *event)
{
    Q_EMIT left();
    QLabel::leaveEvent(event);
}
