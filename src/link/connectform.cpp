#include "link/connectform.h"

#include "display/showform.h"
#include "link/receivepath.h"
#include "link/serialcontrol.h"
#include "platform/dialogs.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/receiverlookup.h"
#include "platform/twips.h"
#include "platform/uikit.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWheelEvent>

namespace {

constexpr int kBlinkMs = 500;
const QString kPortError = QStringLiteral("port error!");

} // namespace

ConnectForm::ConnectForm(SerialControl &port, ReceivePath &receive, Dialogs &dialogs, PortSources sources,
                         QWidget *parent)
    : QWidget(parent), m_port(port), m_receive(receive), m_dialogs(dialogs), m_sources(std::move(sources))
{
    if (!m_sources.listPorts)
        m_sources.listPorts = [] { return receiverlookup::describeSerialPorts(); };
    for (int i = 0; i < 4; ++i)
        m_faces[static_cast<std::size_t>(i)] = pictures::connectFace(i + 1);
    m_stopSign = pictures::prohibitionSign();
    m_arrow = pictures::linkArrow();

    setGeometry(0, 0, 938, 40);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setBrush(QPalette::Window, QBrush(pictures::connectBackground()));
    setPalette(palette);

    createElements();
    blinkIndex = 2;
    // The list as the system has it at creation; discovery puts the receiver
    // first. The box starts with the receiver's usual name only when that
    // port is present: a name of a missing device would only fail.
    fillPortList(QString());
    const QString usual = receiverlookup::defaultPortName();
    Combo1->setValue(Combo1->findData(usual) >= 0 ? usual : QString());
    Combo1->move(Combo1->x(), twips::px(200));

    btn_connTimer->start();
    connect(&m_port, &SerialControl::linkLost, this, &ConnectForm::onLinkLost);
}

void ConnectForm::createElements()
{
    Combo1 = new ChoiceComboBox(this);
    // Turning the wheel over the box would choose the next port, and a
    // choice closes an open link: the port is changed by choosing only.
    Combo1->setWheelChooses(false);
    // Read again each time the list opens, so a receiver plugged in later
    // shows up.
    Combo1->setBeforePopup(
        [this] { fillPortList(m_sources.findReceiver ? m_sources.findReceiver() : QString()); });
    Combo1->setFont(uikit::sansSerif(8.25));
    Combo1->setGeometry(twips::rect(240, 240, 1695, 315));
    Combo1->setToolTip(QStringLiteral("Serial port of the meter's receiver"));
    Combo1->setAccessibleName(QStringLiteral("Serial port"));
    Combo1->lineEdit()->setPlaceholderText(QStringLiteral("choose a port"));
    connect(Combo1, &ChoiceComboBox::listChosen, this, &ConnectForm::Combo1_Click);

    btn_conn = new ImageButton(this);
    btn_conn->setGeometry(twips::rect(2040, 120, 1500, 450));
    btn_conn->setFace(m_faces[3]);
    btn_conn->setCursor(pictures::connectPointer());
    btn_conn->setAccessibleName(QStringLiteral("CONNECT"));
    connect(btn_conn, &ImageButton::clicked, this, &ConnectForm::btn_conn_Click);

    Image1 = new QLabel(this);
    Image1->setGeometry(twips::rect(3840, 0, 600, 615));
    Image1->setPixmap(pictures::computer());
    for (int k = 0; k < 8; ++k) {
        QLabel *link = new QLabel(this);
        link->setGeometry(twips::rect(4440 + 600 * k, 0, 600, 615));
        link->setPixmap(m_stopSign);
        Image3[static_cast<std::size_t>(k)] = link;
    }
    Image2 = new QLabel(this);
    Image2->setGeometry(twips::rect(9240, 0, 600, 615));
    Image2->setPixmap(pictures::multimeter());

    const std::array<QString, 2> words{QStringLiteral("OFFLINE"), QStringLiteral("ONLINE")};
    const std::array<QColor, 2> colours{QColor(255, 0, 0), QColor(255, 255, 0)};
    for (std::size_t i = 0; i < 2; ++i) {
        Label1[i] =
            uikit::makeLabel(this, twips::rect(9960, 120, 1935, 495), words[i], uikit::sansSerif(18, true),
                             colours[i], std::nullopt, Qt::AlignLeft | Qt::AlignVCenter);
    }
    // Yellow on the light-blue strip needs a dark edge to be read.
    auto *edge = new QGraphicsDropShadowEffect(Label1[1]);
    edge->setColor(QColor(0x40, 0x40, 0x40));
    edge->setOffset(1.0, 1.0);
    edge->setBlurRadius(3.0);
    Label1[1]->setGraphicsEffect(edge);
    Label1[1]->hide();

    btn_connTimer = new QTimer(this);
    btn_connTimer->setInterval(kBlinkMs);
    connect(btn_connTimer, &QTimer::timeout, this, &ConnectForm::btn_connTimer_Timer);
    Timer1 = new QTimer(this);
    Timer1->setInterval(ReceivePath::kWatchdogMs);
    connect(Timer1, &QTimer::timeout, this, &ConnectForm::Timer1_Timer);
}

void ConnectForm::fillPortList(const QString &receiver)
{
    QList<ChoiceComboBox::Choice> choices;
    for (const receiverlookup::PortEntry &entry :
         receiverlookup::portChoices(receiver, m_sources.listPorts()))
        choices.append({receiverlookup::entryText(entry), entry.path});
    Combo1->setChoices(choices);
}

void ConnectForm::discoverMeterPort(const QString &found)
{
    if (found.isEmpty())
        return;
    fillPortList(found);
    openAndArm(found, true);
}

bool ConnectForm::reopenPort(const QString &found)
{
    if (found.isEmpty() || m_port.portOpen())
        return false;
    return openAndArm(found, false);
}

bool ConnectForm::openAndArm(const QString &name, bool report)
{
    m_port.setCommPort(name);
    if (!m_port.open()) {
        if (report)
            reportOpenFailure();
        return false;
    }
    Combo1->setValue(name);
    enterArming();
    return true;
}

void ConnectForm::btn_conn_Click()
{
    if (m_port.portOpen()) {
        m_dialogs.tell(this, kPortError,
                       QStringLiteral("The serial port %1 is already open.").arg(m_port.commPort()));
        return;
    }
    const QString name = Combo1->currentText().trimmed();
    m_port.setCommPort(name);
    if (!m_port.open()) {
        reportOpenFailure();
        return;
    }
    enterArming();
}

void ConnectForm::reportOpenFailure()
{
    QString detail = m_port.errorString();
    if (m_port.openError() == SerialControl::OpenError::Permission) {
        const QString device = m_port.commPort();
        const QString group = QFileInfo(device).group();
        if (!group.isEmpty())
            detail = QStringLiteral(
                         "No permission to open %1. Add your user to the group \"%2\" and log in again.")
                         .arg(device, group);
    }
    m_dialogs.tell(this, kPortError, detail);
}

// Closed -> Arming: the port is open; the watchdog arms reception once the
// line has been silent for a whole tick.
void ConnectForm::enterArming()
{
    btn_connTimer->stop();
    if (btn_conn->hasFocus() && m_focusAfterConnect)
        m_focusAfterConnect->setFocus(Qt::OtherFocusReason);
    btn_conn->setEnabled(false);
    btn_conn->setFace(m_faces[0]);
    Label1[0]->setToolTip(QString());
    Timer1->start();
    Q_EMIT portOpened();
}

void ConnectForm::Combo1_Click()
{
    if (!m_port.portOpen())
        return;
    m_port.close();
    Label1[0]->setToolTip(QString());
    enterClosed();
}

// Back to Closed after the port has been closed. The watchdog stops: a tick
// must never read or clear a closed port.
void ConnectForm::enterClosed()
{
    m_receive.pause();
    Timer1->stop();
    btn_connTimer->start();
    btn_conn->setEnabled(true);
    showLinkPictures(m_stopSign);
    Label1[0]->show();
    Label1[1]->hide();
    Q_EMIT offline();
}

void ConnectForm::onLinkLost(const QString &reason)
{
    if (m_port.portOpen())
        return; // opened again meanwhile
    Label1[0]->setToolTip(reason);
    enterClosed();
    Q_EMIT linkDropped(reason);
}

void ConnectForm::btn_connTimer_Timer()
{
    if (blinkIndex == 4)
        blinkIndex = 1;
    ++blinkIndex;
    btn_conn->setFace(m_faces[static_cast<std::size_t>(blinkIndex - 1)]);
}

void ConnectForm::Timer1_Timer()
{
    switch (m_receive.watchdogTick()) {
    case ReceivePath::Tick::PortClosed:
        Timer1->stop();
        return;
    case ReceivePath::Tick::Discarded:
        return;
    case ReceivePath::Tick::Armed:
        break;
    }
    Timer1->stop();
    Label1[0]->hide();
    Label1[1]->show();
    Q_EMIT online();
    showLinkPictures(m_arrow);
}

void ConnectForm::restartReception()
{
    m_receive.pause();
    Timer1->start();
}

void ConnectForm::showLinkPictures(const QPixmap &face)
{
    for (QLabel *link : Image3)
        link->setPixmap(face);
}
