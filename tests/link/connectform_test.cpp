// The connection strip: creation, the CONNECT blink, opening by hand and by
// discovery with their failures, the watchdog, list choices and a lost link,
// checked against the Closed / Arming / Online table.
#include "link/connectform.h"

#include "app/sharedstate.h"
#include "display/showform.h"
#include "graph/graphlink.h"
#include "graph/trendview.h"
#include "link/receivepath.h"
#include "platform/dialogs.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/receiverlookup.h"
#include "platform/uikit.h"
#include "support/scriptedserialcontrol.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using OpenError = SerialControl::OpenError;

bool samePicture(const QPixmap &a, const QPixmap &b)
{
    return a.toImage() == b.toImage();
}

// One row of the strip's state table, read from the elements.
struct StripState
{
    bool portOpen = false;
    int threshold = 0;
    bool watchdog = false;
    bool connectEnabled = false;
    bool blinking = false;
    bool onlineWords = false; // ONLINE shown, OFFLINE hidden (exactly one of them)
    bool arrows = false;      // all eight link pictures show the arrow

    friend bool operator==(const StripState &, const StripState &) = default;
};

std::ostream &operator<<(std::ostream &out, const StripState &s)
{
    return out << "{open " << s.portOpen << ", threshold " << s.threshold << ", watchdog " << s.watchdog
               << ", connect " << s.connectEnabled << ", blink " << s.blinking << ", online " << s.onlineWords
               << ", arrows " << s.arrows << '}';
}

const StripState kClosed{false, 0, false, true, true, false, false};
const StripState kArmingFromClosed{true, 0, true, false, false, false, false};
const StripState kOnline{true, 14, false, false, false, true, true};
const StripState kArmingFromOnline{true, 0, true, false, false, true, true};

class ConnectFormTest : public ::testing::Test
{
protected:
    ConnectFormTest()
        : show(state, trend),
          form(port, receive, dialogs, {[this] { return receiver; }, [this] { return ports; }})
    {
        QObject::connect(&form, &ConnectForm::online, &show, &ShowForm::applyOnlineLook);
        QObject::connect(&form, &ConnectForm::offline, &show, &ShowForm::applyOfflineLook);
        form.show();
        show.show();
    }

    StripState strip() const
    {
        StripState s;
        s.portOpen = port.portOpen();
        s.threshold = port.rThreshold();
        s.watchdog = form.Timer1->isActive();
        s.connectEnabled = form.btn_conn->isEnabled();
        s.blinking = form.btn_connTimer->isActive();
        const bool offlineShown = form.Label1[0]->isVisible();
        const bool onlineShown = form.Label1[1]->isVisible();
        EXPECT_NE(offlineShown, onlineShown) << "exactly one of OFFLINE and ONLINE is shown";
        s.onlineWords = onlineShown;
        int arrows = 0;
        for (QLabel *link : form.Image3)
            arrows += samePicture(link->pixmap(), pictures::linkArrow());
        EXPECT_TRUE(arrows == 0 || arrows == 8) << arrows << " arrows";
        s.arrows = arrows == 8;
        return s;
    }

    void connectTo(const QString &name)
    {
        form.Combo1->setEditText(name);
        form.btn_conn_Click();
    }

    void goOnline()
    {
        connectTo(QStringLiteral("/dev/ttyUSB0"));
        form.Timer1_Timer();
        ASSERT_EQ(strip(), kOnline);
    }

    QStringList listed() const
    {
        QStringList texts;
        for (int i = 0; i < form.Combo1->count(); ++i)
            texts << form.Combo1->itemText(i);
        return texts;
    }

    // Opens the list (read afresh) and chooses the entry in `row` with the keyboard.
    void chooseFromList(int row)
    {
        form.Combo1->showPopup();
        QAbstractItemView *list = form.Combo1->view();
        list->setCurrentIndex(list->model()->index(row, 0));
        QTest::keyClick(list, Qt::Key_Return);
    }

    bool displayOnline() const { return !show.Label5->isVisible() && show.Label4->isVisible(); }

    // The serial ports present and the port the receiver lookup finds.
    QList<receiverlookup::PortEntry> ports{
        {QStringLiteral("/dev/ttyS0"), {}},
        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")},
    };
    QString receiver;
    SharedState state;
    NoGraphWindow graph;
    TrendView trend{state, graph};
    ScriptedSerialControl port;
    ReceivePath receive{port};
    ScriptedDialogs dialogs;
    ShowForm show;
    ConnectForm form;
};

TEST_F(ConnectFormTest, CreationPlacesTheStripClosedAndBlinking)
{
    EXPECT_EQ(form.size(), QSize(938, 40)); // placed at 0, 0 inside the main window
    // The receiver's usual port is present: the box starts with it.
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(form.Combo1->isEditable());
    EXPECT_EQ(form.Combo1->geometry(), QRect(16, 13, 113, 21)); // Top moved from 240 to 200 twips
    EXPECT_EQ(listed(), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0 (FT232R USB UART)"}));

    EXPECT_EQ(form.btn_conn->geometry(), QRect(136, 8, 100, 30));
    EXPECT_EQ(form.Image1->geometry(), QRect(256, 0, 40, 41));
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(form.Image3[k]->geometry(), QRect(296 + 40 * k, 0, 40, 41));
    EXPECT_EQ(form.Image2->geometry(), QRect(616, 0, 40, 41));
    EXPECT_EQ(form.Label1[0]->text(), QStringLiteral("OFFLINE"));
    EXPECT_EQ(form.Label1[1]->text(), QStringLiteral("ONLINE"));
    EXPECT_EQ(form.Label1[0]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(form.Label1[1]->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(form.Label1[0]->font().pointSizeF(), 18.0);
    EXPECT_TRUE(form.Label1[0]->font().bold());

    EXPECT_EQ(form.btn_connTimer->interval(), 500);
    EXPECT_EQ(form.Timer1->interval(), 100);
    EXPECT_EQ(form.blinkIndex, 2);
    EXPECT_EQ(strip(), kClosed);
    EXPECT_EQ(port.openCalls, 0);
}

TEST_F(ConnectFormTest, BlinkShowsMagentaGreenBlueInTurn)
{
    const std::array<int, 7> expected{3, 4, 2, 3, 4, 2, 3};
    for (int face : expected) {
        form.btn_connTimer_Timer();
        EXPECT_EQ(form.blinkIndex, face);
        EXPECT_TRUE(samePicture(form.btn_conn->pixmap(), pictures::connectFace(face))) << face;
    }
}

TEST_F(ConnectFormTest, ConnectOpensTheTrimmedNameAndArms)
{
    connectTo(QStringLiteral("  /dev/ttyACM1 "));
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyACM1"));
    EXPECT_EQ(strip(), kArmingFromClosed);
    EXPECT_TRUE(samePicture(form.btn_conn->pixmap(), pictures::connectFace(1)));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_FALSE(displayOnline());
}

struct OpenFailureCase
{
    OpenError error;
    const char *text;
};

class ConnectFailure : public ConnectFormTest, public ::testing::WithParamInterface<OpenFailureCase>
{
};

TEST_P(ConnectFailure, SaysPortErrorWithTheReasonAndStaysClosed)
{
    port.failWith = GetParam().error;
    port.failText = QString::fromUtf8(GetParam().text);
    connectTo(QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("tell:port error!|") + port.failText});
    EXPECT_EQ(strip(), kClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, ConnectFailure,
    ::testing::Values(
        OpenFailureCase{OpenError::NotFound, "The serial port /dev/ttyUSB7 does not exist."},
        OpenFailureCase{OpenError::InUse, "The serial port /dev/ttyUSB7 is in use by another program."},
        OpenFailureCase{OpenError::Other, "The serial port /dev/ttyUSB7 could not be opened."}));

TEST_F(ConnectFormTest, PermissionFailureNamesTheDeviceAndItsGroup)
{
    QTemporaryFile device;
    ASSERT_TRUE(device.open());
    const QString group = QFileInfo(device.fileName()).group();
    ASSERT_FALSE(group.isEmpty());
    port.failWith = OpenError::Permission;
    port.failText = QStringLiteral("generic text");

    connectTo(device.fileName());

    ASSERT_EQ(dialogs.asked.size(), 1);
    const QString detail = dialogs.asked.front().section(QLatin1Char('|'), 1);
    EXPECT_TRUE(dialogs.asked.front().startsWith(QStringLiteral("tell:port error!|")));
    EXPECT_EQ(detail,
              QStringLiteral("No permission to open %1. Add your user to the group \"%2\" and log in again.")
                  .arg(device.fileName(), group));
    EXPECT_EQ(strip(), kClosed);
}

TEST_F(ConnectFormTest, ConnectWhileOpenIsAPortErrorAndOpensNothing)
{
    goOnline();
    const int opens = port.openCalls;
    form.btn_conn_Click();
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked.front().startsWith(QStringLiteral("tell:port error!|")));
    EXPECT_EQ(port.openCalls, opens);
    EXPECT_EQ(strip(), kOnline);
}

TEST_F(ConnectFormTest, WatchdogDiscardsUntilASilentTickThenGoesOnline)
{
    QSignalSpy online(&form, &ConnectForm::online);
    connectTo(QStringLiteral("/dev/ttyUSB0"));

    // Bytes arriving between ticks keep it discarding and reception unarmed.
    for (int tick = 0; tick < 3; ++tick) {
        port.buffer = QByteArray(5 + tick, '\x11');
        form.Timer1_Timer();
        EXPECT_EQ(port.inBufferCount(), 0);
        EXPECT_EQ(strip(), kArmingFromClosed) << "tick " << tick;
    }
    EXPECT_EQ(online.count(), 0);
    EXPECT_FALSE(displayOnline());

    form.Timer1_Timer();
    EXPECT_EQ(strip(), kOnline);
    EXPECT_EQ(online.count(), 1);
    EXPECT_TRUE(displayOnline());
    EXPECT_EQ(port.discardCalls, 3);
}

TEST_F(ConnectFormTest, ReceptionRestartGoesBackThroughTheWatchdog)
{
    goOnline();
    form.restartReception();
    EXPECT_EQ(strip(), kArmingFromOnline);
    port.buffer = QByteArray(20, '\x22');
    form.Timer1_Timer();
    EXPECT_EQ(strip(), kArmingFromOnline);
    form.Timer1_Timer();
    EXPECT_EQ(strip(), kOnline);
}

TEST_F(ConnectFormTest, WatchdogOnAClosedPortStopsWithoutTouchingIt)
{
    form.Timer1->start();
    form.Timer1_Timer();
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(port.discardCalls, 0);
    EXPECT_EQ(port.rThreshold(), 0);
    EXPECT_EQ(strip(), kClosed);
}

TEST_F(ConnectFormTest, ListChoiceClosesAnOpenPortAndOpensNothing)
{
    for (bool online : {false, true}) {
        SCOPED_TRACE(online ? "online" : "arming");
        if (online)
            goOnline();
        else
            connectTo(QStringLiteral("/dev/ttyUSB0"));
        const int opens = port.openCalls;
        QSignalSpy offline(&form, &ConnectForm::offline);

        form.Combo1->setEditText(QStringLiteral("/dev/ttyS0"));
        form.Combo1_Click();

        EXPECT_EQ(strip(), kClosed);
        EXPECT_EQ(port.openCalls, opens);
        EXPECT_EQ(offline.count(), 1);
        EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyS0"));
        EXPECT_TRUE(show.Label5->isVisible());
        EXPECT_FALSE(show.Label4->isVisible());
        // A late watchdog tick must not touch the closed port.
        form.Timer1_Timer();
        EXPECT_EQ(strip(), kClosed);
    }
}

TEST_F(ConnectFormTest, TypedPortNameIsNoListChoice)
{
    goOnline();
    form.Combo1->addItems({QStringLiteral("/dev/ttyUSB6"), QStringLiteral("/dev/ttyUSB7")});
    QSignalSpy offline(&form, &ConnectForm::offline);
    // Keys and focus changes arrive at the combo box, the edit box's focus proxy.
    form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(form.Combo1, "/dev/ttyUSB7");
    QTest::keyClick(form.Combo1, Qt::Key_Return);
    form.Combo1->setCurrentIndex(-1);
    form.Combo1->setEditText(QStringLiteral("/dev/ttyUSB7"));
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(form.Combo1, &focusOut);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(offline.count(), 0);
    EXPECT_EQ(strip(), kOnline);

    // Turning the wheel over the box chooses nothing.
    const QPointF centre = QRectF(form.Combo1->rect()).center();
    QWheelEvent wheel(centre, form.Combo1->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.Combo1, &wheel);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(offline.count(), 0);

    // Choosing another entry from the list still closes the port.
    QTest::keyClick(form.Combo1, Qt::Key_Up);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB6"));
    EXPECT_EQ(offline.count(), 1);
    EXPECT_EQ(strip(), kClosed);
}

TEST_F(ConnectFormTest, ListChoiceWhileClosedChangesOnlyTheText)
{
    QSignalSpy offline(&form, &ConnectForm::offline);
    form.Combo1->setEditText(QStringLiteral("/dev/ttyS0"));
    form.Combo1_Click();
    EXPECT_EQ(strip(), kClosed);
    EXPECT_EQ(offline.count(), 0);
    EXPECT_EQ(port.openCalls, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ConnectFormTest, LostLinkReturnsToClosedWithoutAMessageBox)
{
    goOnline();
    QSignalSpy dropped(&form, &ConnectForm::linkDropped);
    QSignalSpy offline(&form, &ConnectForm::offline);
    const QString reason =
        QStringLiteral("Lost the connection to the serial port /dev/ttyUSB0 (read error).");

    port.loseLink(reason);

    EXPECT_EQ(strip(), kClosed);
    EXPECT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.front().front().toString(), reason);
    EXPECT_EQ(offline.count(), 1);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(form.Label1[0]->toolTip(), reason);
    EXPECT_TRUE(show.Label5->isVisible());

    // Connecting again clears the note.
    form.btn_conn_Click();
    EXPECT_EQ(strip(), kArmingFromClosed);
    EXPECT_TRUE(form.Label1[0]->toolTip().isEmpty());
}

TEST_F(ConnectFormTest, DiscoveryOpensTheFoundPortSilently)
{
    QSignalSpy opened(&form, &ConnectForm::portOpened);
    form.discoverMeterPort(QString());
    EXPECT_EQ(port.openCalls, 0);
    EXPECT_EQ(strip(), kClosed);

    form.discoverMeterPort(QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(strip(), kArmingFromClosed);
    EXPECT_EQ(opened.count(), 1);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ConnectFormTest, DiscoveredPortThatFailsIsReportedButAReopenIsQuiet)
{
    port.failWith = OpenError::InUse;
    port.failText = QStringLiteral("The serial port /dev/ttyUSB3 is in use by another program.");
    form.discoverMeterPort(QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("tell:port error!|") + port.failText});
    EXPECT_EQ(strip(), kClosed);

    EXPECT_FALSE(form.reopenPort(QStringLiteral("/dev/ttyUSB3")));
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(strip(), kClosed);

    port.failWith = OpenError::None;
    EXPECT_TRUE(form.reopenPort(QStringLiteral("/dev/ttyUSB3")));
    EXPECT_EQ(strip(), kArmingFromClosed);
    EXPECT_FALSE(form.reopenPort(QStringLiteral("/dev/ttyUSB3"))); // already open
}

} // namespace

namespace {

TEST_F(ConnectFormTest, BoxStartsEmptyWhenTheUsualPortIsMissing)
{
    ports = {{QStringLiteral("/dev/ttyS0"), {}}};
    ConnectForm bare(port, receive, dialogs, {{}, [this] { return ports; }});
    EXPECT_EQ(bare.Combo1->currentText(), QString());
    EXPECT_FALSE(bare.Combo1->lineEdit()->placeholderText().isEmpty());
    EXPECT_EQ(bare.Combo1->count(), 1);

    // CONNECT with nothing chosen is a port error, as for a missing port.
    port.failWith = OpenError::NotFound;
    port.failText = QStringLiteral("No serial port is selected. Choose the receiver's port.");
    bare.btn_conn_Click();
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("tell:port error!|") + port.failText});
    EXPECT_FALSE(port.portOpen());
}

// A receiver plugged in after start-up: the list, read again as it opens,
// shows it first with what the system knows of it; choosing it puts its path
// alone into the box, and CONNECT opens that path. Unplugged, it is gone from
// the list at the next opening, and a typed path still connects.
TEST_F(ConnectFormTest, ListIsReadAgainEachTimeItOpens)
{
    chooseFromList(0);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyS0"));

    ports.append({QStringLiteral("/dev/ttyUSB3"), QStringLiteral("CP2102 USB to UART Bridge Controller")});
    receiver = QStringLiteral("/dev/ttyUSB3");
    chooseFromList(0);
    EXPECT_EQ(listed(), (QStringList{"/dev/ttyUSB3 (CP2102 USB to UART Bridge Controller)", "/dev/ttyS0",
                                     "/dev/ttyUSB0 (FT232R USB UART)"}));
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(strip(), kClosed) << "a choice opens nothing";
    form.btn_conn_Click();
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(strip(), kArmingFromClosed);

    // While open, choosing another entry closes the port, and the box takes the path.
    chooseFromList(2);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(strip(), kClosed);

    ports.removeLast();
    receiver.clear();
    form.Combo1->showPopup();
    EXPECT_EQ(listed(), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0 (FT232R USB UART)"}));
    // The open list marks the entry of the path in the box.
    EXPECT_EQ(form.Combo1->currentIndex(), 1);
    form.Combo1->hidePopup();

    form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(form.Combo1, "/dev/ttyACM9");
    QTest::keyClick(form.Combo1, Qt::Key_Return);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyACM9"));
    form.btn_conn_Click();
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyACM9"));
}

// A typed or pasted entry text commits as the entry's path.
TEST_F(ConnectFormTest, TypedEntryTextStandsForItsPath)
{
    form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(form.Combo1, "/dev/ttyUSB0 (FT232R USB UART)");
    QTest::keyClick(form.Combo1, Qt::Key_Return);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    // The same for another entry than the current one.
    form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(form.Combo1, "/dev/ttyS0");
    QTest::keyClick(form.Combo1, Qt::Key_Return);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyS0"));
    form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(form.Combo1, "/dev/ttyUSB0 (FT232R USB UART)");
    QTest::keyClick(form.Combo1, Qt::Key_Return);
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(port.openCalls, 0);
}

TEST_F(ConnectFormTest, DiscoveryListsTheFoundPortFirst)
{
    form.discoverMeterPort(QStringLiteral("/dev/pts/7")); // the virtual meter's pseudo-terminal
    EXPECT_EQ(listed(), (QStringList{"/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB0 (FT232R USB UART)"}));
    EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(form.Combo1->currentIndex(), 0);
}

} // namespace
