// The receiver lookup on fake sysfs trees made of real directories and
// symlinks laid out as the kernel does: class/tty/<name> -> the tty's device
// directory, whose `device` link leads to the port and its `driver` link.
#include "platform/receiverlookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FakeSysfs
{
public:
    FakeSysfs() { EXPECT_TRUE(m_dir.isValid()); }

    QString root() const { return m_dir.path(); }

    // A tty with a device bound to `driver`; empty `driver`: a device
    // without a driver.
    void addTty(const QString &name, const QString &driver)
    {
        const QString port = addPort(name);
        if (!driver.isEmpty()) {
            const QString drivers = QStringLiteral("bus/usb-serial/drivers/") + driver;
            mkdir(drivers);
            link(port + QStringLiteral("/driver"), relativeTo(port, drivers));
        }
    }

    // A virtual tty (tty1, console, ptmx): no device link at all.
    void addVirtualTty(const QString &name) { classLink(name, addTtyDir(name)); }

    // A driver link whose target does not exist.
    void addTtyWithBrokenDriver(const QString &name)
    {
        const QString port = addPort(name);
        link(port + QStringLiteral("/driver"), QStringLiteral("../../gone/drivers/cp210x"));
    }

    // A device link whose target does not exist.
    void addTtyWithBrokenDevice(const QString &name)
    {
        const QString tty = addTtyDir(name);
        link(tty + QStringLiteral("/device"), QStringLiteral("../../../nowhere"));
        classLink(name, tty);
    }

private:
    QString addTtyDir(const QString &name)
    {
        const QString tty = QStringLiteral("devices/usb1/port-%1/tty/%1").arg(name);
        mkdir(tty);
        return tty;
    }

    QString addPort(const QString &name)
    {
        const QString port = QStringLiteral("devices/usb1/port-%1").arg(name);
        const QString tty = addTtyDir(name);
        link(tty + QStringLiteral("/device"), QStringLiteral("../.."));
        classLink(name, tty);
        return port;
    }

    void classLink(const QString &name, const QString &tty)
    {
        mkdir(QStringLiteral("class/tty"));
        link(QStringLiteral("class/tty/") + name, QStringLiteral("../../") + tty);
    }

    QString relativeTo(const QString &fromDir, const QString &to) const
    {
        return QDir(m_dir.filePath(fromDir)).relativeFilePath(m_dir.filePath(to));
    }

    void mkdir(const QString &path) { ASSERT_TRUE(QDir(root()).mkpath(path)) << qPrintable(path); }

    void link(const QString &at, const QString &target)
    {
        ASSERT_TRUE(QFile::link(target, m_dir.filePath(at))) << qPrintable(at);
    }

    QTemporaryDir m_dir;
};

TEST(ReceiverLookup, FindsTheFirstPortOfTheReceiverDriverInNaturalOrder)
{
    FakeSysfs sys;
    sys.addTty(QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio"));
    sys.addTty(QStringLiteral("ttyUSB10"), QStringLiteral("cp210x"));
    sys.addTty(QStringLiteral("ttyUSB1"), QStringLiteral("cp210x"));
    sys.addTty(QStringLiteral("ttyUSB2"), QString());
    sys.addVirtualTty(QStringLiteral("tty1"));
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root()), QStringLiteral("/dev/ttyUSB1"));
}

TEST(ReceiverLookup, NumbersCompareByValueNotByText)
{
    FakeSysfs sys;
    sys.addTty(QStringLiteral("ttyUSB10"), QStringLiteral("cp210x"));
    sys.addTty(QStringLiteral("ttyUSB9"), QStringLiteral("cp210x"));
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root()), QStringLiteral("/dev/ttyUSB9"));
}

TEST(ReceiverLookup, NoReceiverGivesAnEmptyPath)
{
    FakeSysfs sys;
    sys.addTty(QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio"));
    sys.addTty(QStringLiteral("ttyACM0"), QStringLiteral("cdc_acm"));
    sys.addTty(QStringLiteral("ttyUSB1"), QStringLiteral("cp210x_extra"));
    sys.addVirtualTty(QStringLiteral("console"));
    sys.addTtyWithBrokenDriver(QStringLiteral("ttyUSB3"));
    sys.addTtyWithBrokenDevice(QStringLiteral("ttyUSB4"));
    EXPECT_TRUE(receiverlookup::findReceiverPort(sys.root()).isEmpty());

    const QTemporaryDir empty;
    EXPECT_TRUE(receiverlookup::findReceiverPort(empty.path()).isEmpty());
    EXPECT_TRUE(receiverlookup::findReceiverPort(empty.filePath(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(receiverlookup::listSerialPorts(empty.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST(ReceiverLookup, ListsSerialHardwareOnly)
{
    FakeSysfs sys;
    sys.addTty(QStringLiteral("ttyUSB10"), QStringLiteral("cp210x"));
    sys.addTty(QStringLiteral("ttyUSB2"), QStringLiteral("ftdi_sio"));
    sys.addTty(QStringLiteral("ttyACM0"), QStringLiteral("cdc_acm"));
    sys.addTty(QStringLiteral("ttyS0"), QStringLiteral("serial"));
    sys.addTty(QStringLiteral("ttyS1"), QStringLiteral("serial8250")); // placeholder port
    sys.addTty(QStringLiteral("ttyS2"), QString());                    // no driver
    sys.addTtyWithBrokenDriver(QStringLiteral("ttyUSB3"));
    sys.addTtyWithBrokenDevice(QStringLiteral("ttyUSB4"));
    sys.addTty(QStringLiteral("ttyXR0"), QStringLiteral("xr_serial")); // not a name we list
    sys.addVirtualTty(QStringLiteral("tty0"));
    sys.addVirtualTty(QStringLiteral("ttyS3"));
    const QStringList expected = {QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyS0"),
                                  QStringLiteral("/dev/ttyUSB2"), QStringLiteral("/dev/ttyUSB10")};
    EXPECT_EQ(receiverlookup::listSerialPorts(sys.root()), expected);
}

TEST(ReceiverLookup, NaturalOrder)
{
    struct Case
    {
        const char *a;
        const char *b;
        bool less;
    };
    const Case cases[] = {
        {"ttyUSB2", "ttyUSB10", true}, {"ttyUSB10", "ttyUSB2", false}, {"ttyS9", "ttyUSB0", true},
        {"ttyUSB", "ttyUSB0", true},   {"ttyUSB1", "ttyUSB1", false},  {"ttyUSB01", "ttyUSB2", true},
        {"ttyACM99", "ttyS0", true},   {"a2b10", "a2b9", false},       {"a00000000000000000009", "a10", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(receiverlookup::naturalLess(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.less)
            << c.a << " < " << c.b;
}

} // namespace

TEST(ReceiverLookup, PortNameFromSerialPortMapValue)
{
    QByteArray buffer(100, '\0');
    buffer.replace(0, 6, QByteArrayLiteral("COM12\0"));
    EXPECT_EQ(receiverlookup::portNameFromMapValue(buffer, 6), QStringLiteral("COM12"));
    // The stored size counts the terminating zero; a size without room for one
    // still yields only the bytes before it.
    EXPECT_EQ(receiverlookup::portNameFromMapValue(buffer, 4), QStringLiteral("COM"));
    EXPECT_EQ(receiverlookup::portNameFromMapValue(buffer, 1), QString());
    EXPECT_EQ(receiverlookup::portNameFromMapValue(buffer, 0), QString());
    // A size beyond the buffer is clamped; an embedded zero ends the name.
    EXPECT_EQ(receiverlookup::portNameFromMapValue(buffer, 4000), QStringLiteral("COM12"));
}

// The udev rule's stable name wins over the sysfs search while it leads to a
// device; a stale or dangling name, or a plain file, is not taken.
TEST(ReceiverLookup, TakesTheStableLinkWhileItLeadsToADevice)
{
    FakeSysfs sys;
    sys.addTty(QStringLiteral("ttyUSB1"), QStringLiteral("cp210x"));
    const QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    const QString link = dev.filePath(receiverlookup::kReceiverLinkName);
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root(), dev.path()), QStringLiteral("/dev/ttyUSB1"));

    QFile tty(dev.filePath(QStringLiteral("ttyUSB7")));
    ASSERT_TRUE(tty.open(QIODevice::WriteOnly));
    tty.close();
    ASSERT_TRUE(QFile::link(QStringLiteral("ttyUSB7"), link));
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root(), dev.path()),
              dev.path() + QStringLiteral("/quenvo-meter"));

    // Without any cp210x port in sysfs the link alone names the receiver.
    const FakeSysfs bare;
    EXPECT_EQ(receiverlookup::findReceiverPort(bare.root(), dev.path()), link);

    ASSERT_TRUE(tty.remove()); // unplugged: the link dangles
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root(), dev.path()), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_TRUE(receiverlookup::findReceiverPort(bare.root(), dev.path()).isEmpty());

    ASSERT_TRUE(QFile::remove(link));
    QFile plain(link);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root(), dev.path()), QStringLiteral("/dev/ttyUSB1"));
}
