#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QWidget;

// What the windows share of their widgets: the design fonts, one label
// factory, and a combo box that tells a list choice from typed text.
namespace uikit {

// Colours given as 0x00BBGGRR numbers.
QColor bgr(quint32 value);

// A design font with this platform's substitute: "MS Sans Serif" and "Arial"
// become Liberation Sans, "Franklin Gothic Book" Liberation Sans Narrow,
// "MS Serif" Liberation Serif; any other family is kept.
QFont designFont(const QString &family, double points, bool bold = false);
// The windows' default face, "MS Sans Serif".
QFont sansSerif(double points = 9.75, bool bold = false);

// A plain-text label at its geometry, text at the top. Without a back colour
// the window under it shows through.
QLabel *makeLabel(QWidget *parent, const QRect &geometry, const QString &text, const QFont &font,
                  QColor fore = Qt::black, std::optional<QColor> back = std::nullopt,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

// A chart's cursor: a vertical dotted line 1 pixel wide at `geometry`,
// hidden, letting the pointer through to the chart under it.
QWidget *makeCursorLine(QWidget *parent, const QRect &geometry, QColor color);

} // namespace uikit

// An editable combo box that reports only real list choices. Qt reports
// typed text that matches an entry as chosen (activated) when it is committed
// with Enter or by leaving the box; that is no choice from the list and is
// not reported here. Entries added through setChoices put their value, not
// their label, into the box; the list opens wide enough for its entries.
class ChoiceComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ChoiceComboBox(QWidget *parent = nullptr);

    // An entry that shows `label` and puts `value` into the box when chosen.
    struct Choice
    {
        QString label;
        QString value;
    };
    // Replaces the list; the box's text stays as it is and the entry whose
    // value it is becomes the current one. Unchanged entries are left alone,
    // so an open list keeps its place.
    void setChoices(const QList<Choice> &choices);
    // Puts `value` into the box, marking the entry that stands for it (none
    // when no entry does). Reports no choice.
    void setValue(const QString &value);

    // Called each time the list is about to open (to fill it afresh).
    void setBeforePopup(std::function<void()> fill) { m_beforePopup = std::move(fill); }
    // Whether the mouse wheel may step through the entries (off: it chooses nothing).
    void setWheelChooses(bool on) { m_wheelChooses = on; }

    void showPopup() override;

Q_SIGNALS:
    // An entry was chosen from the list.
    void listChosen(int index);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    static bool isTypedCommit(const QEvent *event);
    // Delivers `event` with the typed-commit flag set.
    bool deliverAsTyped(QObject *receiver, QEvent *event);

    std::function<void()> m_beforePopup;
    bool m_wheelChooses = true;
    bool m_typedCommit = false;
};
