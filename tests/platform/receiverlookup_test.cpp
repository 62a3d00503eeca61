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

    // A port of a USB device as the kernel lays it out: the device (with its
    // "product" and "manufacturer" when given), its interface, and for a
    // usb-serial bridge (`acm` false) the port under the interface. The tty's
    // device link leads to the port, or to the interface for an ACM modem.
    void addUsbTty(const QString &name, const QString &driver, const QByteArray &product,
                   const QByteArray &maker, bool acm = false)
    {
        const QString device = QStringLiteral("devices/pci0/usb1/1-%1").arg(name);
        const QString interface = device + QStringLiteral("/1-0:1.0");
        const QString port = acm ? interface : interface + u'/' + name;
        const QString tty = port + QStringLiteral("/tty/") + name;
        mkdir(tty);
        link(tty + QStringLiteral("/device"), QStringLiteral("../.."));
        const QString drivers = QStringLiteral("bus/usb/drivers/") + driver;
        mkdir(drivers);
        link(port + QStringLiteral("/driver"), relativeTo(port, drivers));
        if (!product.isNull())
            write(device + QStringLiteral("/product"), product);
        if (!maker.isNull())
            write(device + QStringLiteral("/manufacturer"), maker);
        classLink(name, tty);
    }

    // An attribute file of the tty's class device ("type" of a UART).
    void setTtyAttribute(const QString &name, const QString &attribute, const QByteArray &value)
    {
        write(QStringLiteral("class/tty/") + name + u'/' + attribute, value);
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

    void write(const QString &path, const QByteArray &content)
    {
        QFile file(m_dir.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
        file.write(content);
    }

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

// What the port chooser shows of each port: the product of a USB bridge, the
// maker when the device reports no product, nothing for on-board ports; texts
// from the device are made fit for one line. UART placeholders (type 0) are
// left out also on kernels whose ttyS ports all bind the serial-base "port" driver.
TEST(ReceiverLookup, DescribesPortsByWhatTheDeviceReports)
{
    using receiverlookup::PortEntry;
    FakeSysfs sys;
    sys.addUsbTty(QStringLiteral("ttyUSB0"), QStringLiteral("cp210x"),
                  "CP2102 USB to UART Bridge Controller\n", "Silicon Labs\n");
    sys.addUsbTty(QStringLiteral("ttyACM0"), QStringLiteral("cdc_acm"), QByteArray(), "Acme Instruments\n",
                  true);
    sys.addUsbTty(QStringLiteral("ttyUSB1"), QStringLiteral("ftdi_sio"),
                  "  Bench\tbridge\x1b[2J\x01 " + QByteArray(100, 'x'), "Acme");
    sys.addUsbTty(QStringLiteral("ttyUSB2"), QStringLiteral("ch341"), QByteArray(), QByteArray());
    sys.addTty(QStringLiteral("ttyS0"), QStringLiteral("port"));
    sys.setTtyAttribute(QStringLiteral("ttyS0"), QStringLiteral("type"), "4\n");
    sys.addTty(QStringLiteral("ttyS1"), QStringLiteral("port"));
    sys.setTtyAttribute(QStringLiteral("ttyS1"), QStringLiteral("type"), "0\n");

    const QList<PortEntry> entries = receiverlookup::describeSerialPorts(sys.root());
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0], (PortEntry{"/dev/ttyACM0", "Acme Instruments"}));
    EXPECT_EQ(entries[1], (PortEntry{"/dev/ttyS0", ""}));
    EXPECT_EQ(entries[2], (PortEntry{"/dev/ttyUSB0", "CP2102 USB to UART Bridge Controller"}));
    EXPECT_EQ(entries[3].path, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_TRUE(entries[3].description.startsWith(QStringLiteral("Bench bridge [2J xxx")))
        << qPrintable(entries[3].description);
    EXPECT_EQ(entries[3].description.size(), receiverlookup::kDescriptionLength);
    EXPECT_EQ(entries[4], (PortEntry{"/dev/ttyUSB2", ""}));
    EXPECT_EQ(receiverlookup::listSerialPorts(sys.root()),
              (QStringList{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}));

    EXPECT_EQ(receiverlookup::entryText(entries[2]),
              QStringLiteral("/dev/ttyUSB0 (CP2102 USB to UART Bridge Controller)"));
    EXPECT_EQ(receiverlookup::entryText(entries[1]), QStringLiteral("/dev/ttyS0"));
}

// The receiver goes first and only once, with the description of its device;
// a receiver the system does not list (a pseudo-terminal) is put first as it is.
TEST(ReceiverLookup, ChoicesPutTheReceiverFirst)
{
    using receiverlookup::PortEntry;
    const QList<PortEntry> ports = {{"/dev/ttyS0", ""},
                                    {"/dev/ttyUSB0", "FT232R USB UART"},
                                    {"/dev/ttyUSB1", "CP2102 USB to UART Bridge Controller"}};
    EXPECT_EQ(receiverlookup::portChoices(QString(), ports), ports);
    EXPECT_EQ(receiverlookup::portChoices(QStringLiteral("/dev/ttyUSB1"), ports),
              (QList<PortEntry>{ports[2], ports[0], ports[1]}));
    EXPECT_EQ(receiverlookup::portChoices(QStringLiteral("/dev/pts/4"), ports),
              (QList<PortEntry>{{"/dev/pts/4", ""}, ports[0], ports[1], ports[2]}));

    // The udev rule's stable link to a listed port: one entry, named by the link.
    const QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    QFile tty(dev.filePath(QStringLiteral("ttyUSB1")));
    ASSERT_TRUE(tty.open(QIODevice::WriteOnly));
    tty.close();
    const QString link = dev.filePath(receiverlookup::kReceiverLinkName);
    ASSERT_TRUE(QFile::link(tty.fileName(), link));
    const QList<PortEntry> present = {{dev.filePath(QStringLiteral("ttyS0")), ""},
                                      {tty.fileName(), "CP2102 USB to UART Bridge Controller"}};
    EXPECT_EQ(receiverlookup::portChoices(link, present),
              (QList<PortEntry>{{link, "CP2102 USB to UART Bridge Controller"}, present[0]}));
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
