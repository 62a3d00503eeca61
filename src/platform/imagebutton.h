#pragma once

#include <QLabel>
#include <QPixmap>

// A picture that acts as a button: it shows one face at a time and reports
// presses, releases, clicks and the pointer entering and leaving it.
//
// Keyboard: it takes focus with Tab (not with a mouse click, so clicking a
// picture leaves the focus where it was) and shows a dotted frame over its
// face while it has focus; the face itself is never changed for that. Space
// presses it and, released, clicks it; Enter clicks it at once. Screen
// readers see a button named by its accessible name, or its tooltip.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget *parent = nullptr);

    void setFace(const QPixmap &face);

    // Press, release and click, as a mouse click over the button would;
    // nothing while disabled.
    void click();

Q_SIGNALS:
    void pressed();
    void released();
    void clicked();
    void entered();
    void left();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_down = false;    // a mouse button went down on it
    bool m_keyDown = false; // Space went down while it had focus
};
