// End to end through the real serial port on a pseudo-terminal: discovery,
// the watchdog, frames in chunks, an unplugged receiver and its return; and
// discovery on fake sysfs trees.
#include "mainformharness.h"

#include "platform/pseudoterminal.h"
#include "platform/qtserialcontrol.h"
#include "platform/receiverlookup.h"
#include "platform/uikit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

using uitesting::FrameCodes;
using uitesting::waitUntil;

namespace {

// Writes everything, waiting while the terminal's queue is full.
bool writeAll(PseudoTerminal &pty, const QByteArray &bytes)
{
    qsizetype done = 0;
    return waitUntil([&] {
               const qint64 n = pty.write(bytes.mid(done));
               if (n > 0)
                   done += n;
               return n < 0 || done == bytes.size();
           }) &&
           done == bytes.size();
}

class ReceiveOnPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TimeTexts::setClock([] { return QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)); });
        ASSERT_TRUE(pty->isValid()) << qPrintable(pty->errorString());
        receiver = pty->slavePath();
        window = std::make_unique<MainForm>(state, port, dialogs, graph, [this] { return receiver; });
        ASSERT_TRUE(port.portOpen()) << qPrintable(port.errorString());
    }

    void TearDown() override
    {
        window.reset();
        TimeTexts::setClock({});
    }

    bool online() const
    {
        return window->connectForm->Label1[1]->isVisibleTo(window->connectForm) && port.rThreshold() == 14;
    }

    // Sends one frame in two chunks, the second after the first has arrived,
    // and waits until it is stored.
    void send(const FrameCodes &codes)
    {
        const int before = state.gRecordCount();
        const QByteArray frame = uitesting::wire(codes);
        ASSERT_TRUE(writeAll(*pty, frame.left(6)));
        ASSERT_TRUE(waitUntil([&] { return port.inBufferCount() == 6; }));
        ASSERT_EQ(state.gRecordCount(), before);
        ASSERT_TRUE(writeAll(*pty, frame.mid(6)));
        ASSERT_TRUE(waitUntil([&] { return state.gRecordCount() == before + 1; }));
        ASSERT_EQ(port.inBufferCount(), 0);
    }

    SharedState state;
    QtSerialControl port;
    ScriptedDialogs dialogs;
    NoGraphWindow graph;
    std::unique_ptr<PseudoTerminal> pty = std::make_unique<PseudoTerminal>();
    QString receiver;
    std::unique_ptr<MainForm> window;
};

TEST_F(ReceiveOnPty, FramesReachTheDisplayTableAndStore)
{
    ASSERT_TRUE(waitUntil([&] { return online(); }));
    EXPECT_FALSE(window->showForm->Label5->isVisibleTo(window->showForm));

    send({0, 0, 0, 12345});             // 123.45 mV AC
    send({0, 0, 0, 2500, true});        // -025.00
    send({3, 1, 0, 6000, false, true}); // diode 0.6000 V, held

    ShowForm &show = *window->showForm;
    EXPECT_EQ(show.Label2->text(), QStringLiteral("R/DIODE/BEEP/CAP"));
    EXPECT_EQ(show.Label4->text(), QStringLiteral("0.6000"));
    EXPECT_TRUE(show.Picture7->isVisibleTo(&show));
    EXPECT_TRUE(show.holdlabel->isVisibleTo(&show));
    EXPECT_EQ(show.TextMAX->text(), QStringLiteral("123.45"));
    EXPECT_EQ(show.TextMIN->text(), QStringLiteral("-025.00"));

    FlexGridModel &grid = *window->dataForm->grid;
    ASSERT_EQ(grid.rows(), 5);
    EXPECT_EQ(grid.text(1, 0), QStringLiteral("3"));
    EXPECT_EQ(grid.text(1, 2), QStringLiteral("0.6000"));
    EXPECT_EQ(grid.text(3, 0), QStringLiteral("1"));
    EXPECT_EQ(grid.text(3, 2), QStringLiteral("123.45"));
    EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("3"));

    EXPECT_EQ(state.gRecordCount(), 3);
    EXPECT_EQ(state.gRecords[1].data, QStringLiteral("-025.00"));
    EXPECT_EQ(state.gRecords[1].function, QStringLiteral("VAC/HZ/%"));
    EXPECT_EQ(state.gViewCount, 3);
    EXPECT_EQ(show.Label7[2]->text(), QStringLiteral("100"));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ReceiveOnPty, BytesBeforeArmingAreThrownAwayAndTheNextFrameIsWhole)
{
    // A frame cut in half by the start of reception: its tail arrives while
    // the watchdog arms and must not become the head of a frame.
    ASSERT_TRUE(writeAll(*pty, uitesting::wire({0, 0, 0, 11111}).mid(5)));
    ASSERT_TRUE(waitUntil([&] { return online(); }));
    EXPECT_EQ(port.inBufferCount(), 0);
    send({0, 0, 0, 22222});
    EXPECT_EQ(state.gRecordCount(), 1);
    EXPECT_EQ(state.gRecords[0].data, QStringLiteral("222.22"));
}

TEST_F(ReceiveOnPty, UnpluggedReceiverKeepsTheLogAndIsReopenedWhenBack)
{
    ASSERT_TRUE(waitUntil([&] { return online(); }));
    send({0, 0, 0, 12345});
    send({0, 0, 0, 12346});

    pty->closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !port.portOpen() && window->connectForm->btn_conn->isEnabled(); }));
    EXPECT_TRUE(window->connectForm->Label1[0]->isVisibleTo(window->connectForm));
    EXPECT_TRUE(window->connectForm->btn_connTimer->isActive());
    EXPECT_TRUE(window->showForm->Label5->isVisibleTo(window->showForm));
    EXPECT_TRUE(window->rediscoverTimer->isActive());
    EXPECT_EQ(state.gRecordCount(), 2);
    EXPECT_EQ(window->dataForm->grid->rows(), 4);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    // The receiver returns (a new terminal); the retry finds and arms it.
    pty = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(pty->isValid());
    receiver = pty->slavePath();
    ASSERT_TRUE(waitUntil([&] { return online(); }));
    EXPECT_EQ(port.commPort(), receiver);
    EXPECT_FALSE(window->rediscoverTimer->isActive());
    send({0, 0, 0, 12347});
    EXPECT_EQ(state.gRecordCount(), 3);
    EXPECT_EQ(state.gRecords[2].data, QStringLiteral("123.47"));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// A sysfs tree with the given ttys, each bound to a driver.
class FakeSysfs
{
public:
    void add(const QString &tty, const QString &driver)
    {
        const QString drivers = dir.filePath(QStringLiteral("bus/usb-serial/drivers/") + driver);
        QDir().mkpath(drivers);
        const QString device = dir.filePath(QStringLiteral("class/tty/") + tty + QStringLiteral("/device"));
        QDir().mkpath(device);
        QFile::link(drivers, device + QStringLiteral("/driver"));
    }
    QString root() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

class DiscoveryOnSysfs : public MainFormHarness
{
protected:
    void createWithLookup()
    {
        window = std::make_unique<MainForm>(
            state, port, dialogs, graph, [this] { return receiverlookup::findReceiverPort(sysfs.root()); },
            [this] { return receiverlookup::describeSerialPorts(sysfs.root()); });
    }

    FakeSysfs sysfs;
};

TEST_F(DiscoveryOnSysfs, OpensTheFirstTtyOfTheReceiversDriver)
{
    sysfs.add(QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio"));
    sysfs.add(QStringLiteral("ttyUSB10"), QStringLiteral("cp210x"));
    sysfs.add(QStringLiteral("ttyUSB2"), QStringLiteral("cp210x"));
    createWithLookup();
    EXPECT_TRUE(port.portOpen());
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyUSB2"));
    EXPECT_EQ(window->connectForm->Combo1->currentText(), QStringLiteral("/dev/ttyUSB2"));
    EXPECT_FALSE(window->connectForm->btn_conn->isEnabled());
    EXPECT_TRUE(window->connectForm->Timer1->isActive());
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(DiscoveryOnSysfs, NoReceiverStaysClosedWithoutAMessage)
{
    sysfs.add(QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio"));
    sysfs.add(QStringLiteral("ttyACM0"), QStringLiteral("cdc_acm"));
    createWithLookup();
    EXPECT_FALSE(port.portOpen());
    EXPECT_EQ(port.openCalls, 0);
    EXPECT_EQ(window->connectForm->Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(window->connectForm->btn_conn->isEnabled());
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(DiscoveryOnSysfs, FoundReceiverThatCannotBeOpenedIsReported)
{
    sysfs.add(QStringLiteral("ttyUSB0"), QStringLiteral("cp210x"));
    port.failWith = SerialControl::OpenError::InUse;
    port.failText = QStringLiteral("The serial port /dev/ttyUSB0 is in use by another program.");
    createWithLookup();
    EXPECT_FALSE(port.portOpen());
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("tell:port error!|") + port.failText});
    EXPECT_TRUE(window->connectForm->btn_connTimer->isActive());
}

} // namespace
