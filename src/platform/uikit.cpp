#include "platform/uikit.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Where an entry added by setChoices keeps its value.
constexpr int kValueRole = Qt::UserRole;

} // namespace

namespace uikit {

QColor bgr(quint32 value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QFont designFont(const QString &family, double points, bool bold)
{
    QString face = family;
    if (family == QLatin1String("MS Sans Serif") || family == QLatin1String("Arial"))
        face = QStringLiteral("Liberation Sans");
    else if (family == QLatin1String("Franklin Gothic Book"))
        face = QStringLiteral("Liberation Sans Narrow");
    else if (family == QLatin1String("MS Serif"))
        face = QStringLiteral("Liberation Serif");
    QFont font(face);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont sansSerif(double points, bool bold)
{
    return designFont(QStringLiteral("MS Sans Serif"), points, bold);
}

QLabel *makeLabel(QWidget *parent, const QRect &geometry, const QString &text, const QFont &font, QColor fore,
                  std::optional<QColor> back, Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, fore);
    if (back) {
        pal.setColor(QPalette::Window, *back);
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
    return label;
}

namespace {

class DottedVLine : public QWidget
{
public:
    DottedVLine(QColor color, QWidget *parent) : QWidget(parent), m_color(color) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(m_color, 1, Qt::DotLine, Qt::FlatCap));
        p.drawLine(0, 0, 0, height() - 1);
    }

private:
    QColor m_color;
};

} // namespace

QWidget *makeCursorLine(QWidget *parent, const QRect &geometry, QColor color)
{
    auto *line = new DottedVLine(color, parent);
    line->setGeometry(geometry);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->setVisible(false);
    return line;
}

} // namespace uikit

ChoiceComboBox::ChoiceComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // Keys usually reach the box (its edit box's focus proxy), which hands
    // them on to the edit box; events sent to the edit box directly are
    // watched there.
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        // Qt has put the entry's label into the box; the entry stands for its value.
        const QVariant value = itemData(index, kValueRole);
        if (value.isValid())
            setEditText(value.toString());
        if (!m_typedCommit)
            Q_EMIT listChosen(index);
    });
    // An entry's label typed (or pasted) over the entry that is already
    // current gives no activation; it stands for the entry's value all the same.
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const int index = findText(lineEdit()->text(), Qt::MatchExactly | Qt::MatchCaseSensitive);
        const QVariant value = itemData(index, kValueRole);
        if (index >= 0 && value.isValid())
            setEditText(value.toString());
    });
}

void ChoiceComboBox::setChoices(const QList<Choice> &choices)
{
    const QString text = currentText();
    bool same = count() == choices.size();
    for (qsizetype i = 0; same && i < choices.size(); ++i) {
        const int row = static_cast<int>(i);
        same = itemText(row) == choices[i].label && itemData(row, kValueRole).toString() == choices[i].value;
    }
    if (!same) {
        const QSignalBlocker blocker(this);
        clear();
        for (const Choice &choice : choices)
            addItem(choice.label, choice.value);
    }
    setValue(text);
}

void ChoiceComboBox::setValue(const QString &value)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(findData(value, kValueRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setEditText(value);
}

void ChoiceComboBox::showPopup()
{
    if (m_beforePopup)
        m_beforePopup();
    // Entries wider than the box are shown whole, not cut.
    QAbstractItemView *list = view();
    const int wanted = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                       list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    list->setMinimumWidth(std::max(width(), wanted));
    QComboBox::showPopup();
}

bool ChoiceComboBox::isTypedCommit(const QEvent *event)
{
    if (event->type() == QEvent::FocusOut)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool ChoiceComboBox::deliverAsTyped(QObject *receiver, QEvent *event)
{
    m_typedCommit = true;
    const bool handled =
        receiver == this ? QComboBox::event(event) : QCoreApplication::sendEvent(receiver, event);
    m_typedCommit = false;
    return handled;
}

bool ChoiceComboBox::event(QEvent *event)
{
    if (m_typedCommit || !isTypedCommit(event))
        return QComboBox::event(event);
    return deliverAsTyped(this, event);
}

bool ChoiceComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && !m_typedCommit && isTypedCommit(event)) {
        deliverAsTyped(watched, event);
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void ChoiceComboBox::wheelEvent(QWheelEvent *event)
{
    if (m_wheelChooses)
        QComboBox::wheelEvent(event);
    else
        event->ignore();
}
