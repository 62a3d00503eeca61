#pragma once

#include "platform/receiverlookup.h"

#include <QPixmap>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QTimer;
class ChoiceComboBox;
class Dialogs;
class ImageButton;
class ReceivePath;
class SerialControl;

// The connection strip across the top: port chooser, CONNECT button, link
// pictures between a computer and a meter, "OFFLINE"/"ONLINE", the CONNECT
// blink and the watchdog that arms reception on a frame boundary.
//
// States: Closed (port closed, threshold 0, CONNECT enabled and blinking,
// OFFLINE, prohibition signs) -> Arming (port open, threshold 0, watchdog on,
// CONNECT grey and disabled) -> Online (threshold 14, watchdog off, ONLINE,
// arrows). A reception restart goes back to Arming; a list choice while open,
// or a lost link, to Closed.
class ConnectForm : public QWidget
{
    Q_OBJECT
public:
    // Where the port chooser's list comes from. Unset members: no receiver
    // lookup, and the serial ports the system lists.
    struct PortSources
    {
        // The receiver's port, "" when none is found.
        std::function<QString()> findReceiver;
        // The serial ports present.
        std::function<QList<receiverlookup::PortEntry>()> listPorts;
    };

    ConnectForm(SerialControl &port, ReceivePath &receive, Dialogs &dialogs, PortSources sources = {},
                QWidget *parent = nullptr);

    ChoiceComboBox *Combo1 = nullptr; // port chooser
    ImageButton *btn_conn = nullptr;
    QLabel *Image1 = nullptr;         // computer
    std::array<QLabel *, 8> Image3{}; // link pictures
    QLabel *Image2 = nullptr;         // meter
    std::array<QLabel *, 2> Label1{}; // "OFFLINE", "ONLINE"
    QTimer *btn_connTimer = nullptr;  // CONNECT blink, 500 ms
    QTimer *Timer1 = nullptr;         // watchdog, 100 ms
    int blinkIndex = 2;

    // Start-up lookup of the receiver: lists `found` first in the port
    // chooser, opens it (empty: stay Closed without a message) and starts the
    // watchdog. A port that fails to open is reported as CONNECT reports it;
    // the strip stays Closed.
    void discoverMeterPort(const QString &found);

    // Reads the port list afresh: the receiver (`receiver`, as the lookup
    // found it) first, then the serial ports present. The box's text stays.
    void fillPortList(const QString &receiver);

    // The same as discovery without any message: used to reopen the receiver
    // after a lost link. Returns whether the port is open and arming.
    bool reopenPort(const QString &found);

    void btn_conn_Click();
    void Combo1_Click();
    void btn_connTimer_Timer();
    void Timer1_Timer();

    // Pause reception and resume it on a frame boundary.
    void restartReception();

    // Where the focus goes when CONNECT, having it, opens the port and is
    // disabled (unset: the next control in the tab order).
    void setFocusAfterConnect(QWidget *widget) { m_focusAfterConnect = widget; }

Q_SIGNALS:
    // Reception is armed (the strip shows ONLINE): the display takes its
    // online look.
    void online();
    // The port closed (by a list choice or a lost link): the display takes
    // its offline look.
    void offline();
    // A port was opened (discovery, CONNECT or a reopen); the watchdog runs.
    void portOpened();
    // The open port failed and the strip went back to Closed; `reason` says
    // which device and what happened.
    void linkDropped(const QString &reason);

private:
    void createElements();
    // Opens the port `name`; on success enters Arming. Failure: reported
    // through a message box when `report` is set.
    bool openAndArm(const QString &name, bool report);
    void enterArming();
    void enterClosed();
    void reportOpenFailure();
    void showLinkPictures(const QPixmap &face);
    void onLinkLost(const QString &reason);

    SerialControl &m_port;
    ReceivePath &m_receive;
    Dialogs &m_dialogs;
    PortSources m_sources;
    QWidget *m_focusAfterConnect = nullptr;
    std::array<QPixmap, 4> m_faces; // Conn_ImageList1: grey, blue, magenta, green
    QPixmap m_stopSign;             // ImageList1 picture 1
    QPixmap m_arrow;                // ImageList1 picture 2
};
