#include "platform/imagebutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// What assistive technology sees of a picture button: a button, named by the
// accessible name or else the tooltip, that can be pressed.
class ImageButtonAccessible : public QAccessibleWidget
{
public:
    explicit ImageButtonAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? widget()->toolTip() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction())
            static_cast<ImageButton *>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *imageButtonInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("ImageButton") && object && object->isWidgetType())
        return new ImageButtonAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

ImageButton::ImageButton(QWidget *parent) : QLabel(parent)
{
    static const bool registered = [] {
        QAccessible::installFactory(imageButtonInterface);
        return true;
    }();
    Q_UNUSED(registered);
    setScaledContents(true);
    setFocusPolicy(Qt::TabFocus);
}

void ImageButton::setFace(const QPixmap &face)
{
    setPixmap(face);
}

void ImageButton::click()
{
    if (!isEnabled())
        return;
    Q_EMIT pressed();
    Q_EMIT released();
    Q_EMIT clicked();
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

void ImageButton::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat() && !m_keyDown) {
            m_keyDown = true;
            Q_EMIT pressed();
        }
        event->accept();
        return;
    }
    if (plain && isEnterKey(event->key())) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_keyDown) {
        m_keyDown = false;
        Q_EMIT released();
        if (isEnabled())
            Q_EMIT clicked();
        event->accept();
        return;
    }
    QLabel::keyReleaseEvent(event);
}

// Leaving with Space still down lets the button go without a click.
void ImageButton::focusOutEvent(QFocusEvent *event)
{
    if (m_keyDown) {
        m_keyDown = false;
        Q_EMIT released();
    }
    QLabel::focusOutEvent(event);
}

void ImageButton::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Two rings of alternating black and white dots along the edge: seen on
    // light and dark faces alike, and drawn over the face, not into it.
    QPainter p(this);
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    for (const QRect &ring : {outer, inner}) {
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(ring);
        QPen dots(Qt::black, 1, Qt::CustomDashLine);
        dots.setDashPattern({1.0, 1.0});
        dots.setDashOffset(ring == inner ? 1.0 : 0.0);
        p.setPen(dots);
        p.drawRect(ring);
    }
}
