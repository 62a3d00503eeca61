#pragma once

#include <QLabel>
#include <QPixmap>

// A picture that acts as a button: it shows one face at a time and reports
// presses, releases, clicks and the pointer entering and leaving it.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget *parent = nullptr);

    void setFace(const QPixmap &face);

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

private:
    bool m_down = false;
};
