// The receiver's udev rule (dist/udev/60-quenvo-meter.rules), read as udev
// reads it and matched against fake sysfs devices laid out as the kernel does
// for a USB serial bridge: the tty's class device under the usb-serial port,
// under the USB interface, each with its subsystem and driver links. The rule
// must pick the same ports as the receiver lookup, and only those.
#include "platform/receiverlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

const QString kRuleFile = QStringLiteral(QUENVO_TEST_DATA "/../../dist/udev/60-quenvo-meter.rules");

struct RuleKey
{
    QString name;
    QString op;
    QString value;
};
using Rule = QList<RuleKey>;

// The rules of a file: one per logical line (backslash continues a line),
// comments and blank lines skipped. A line that does not parse fails the test.
QList<Rule> readRules(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << qPrintable(path);
    const QString text = QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\\n"), QString());
    static const QRegularExpression keyPattern(
        QStringLiteral(R"re(\G\s*([A-Z_]+)(\{[^}]*\})?\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(?:,|$))re"));
    QList<Rule> rules;
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        Rule rule;
        qsizetype at = 0;
        while (at < trimmed.size()) {
            const QRegularExpressionMatch m = keyPattern.match(trimmed, at);
            if (!m.hasMatch()) {
                ADD_FAILURE() << "cannot read the rule from: " << qPrintable(trimmed.mid(at));
                break;
            }
            rule.append({m.captured(1) + m.captured(2), m.captured(3), m.captured(4)});
            at = m.capturedEnd();
        }
        rules.append(rule);
    }
    return rules;
}

// A udev pattern: alternatives separated by '|', each a shell glob.
bool patternMatches(const QString &pattern, const QString &value)
{
    for (const QString &alternative : pattern.split(u'|')) {
        const QRegularExpression glob(QRegularExpression::wildcardToRegularExpression(alternative));
        if (glob.match(value).hasMatch())
            return true;
    }
    return false;
}

struct Device
{
    QString kernel;
    QString subsystem;
    QString driver;
};

QString linkName(const QString &dir, const QString &link)
{
    const QFileInfo info(dir + u'/' + link);
    return info.isSymLink() ? QFileInfo(info.symLinkTarget()).fileName() : QString();
}

// The device of /sys/class/tty/<tty> and its parents, nearest first, as udev
// walks them for the KERNELS, SUBSYSTEMS and DRIVERS keys.
QList<Device> deviceChain(const QString &sysfsRoot, const QString &tty)
{
    const QString devices = QDir(sysfsRoot + QStringLiteral("/devices")).canonicalPath();
    QString dir = QFileInfo(sysfsRoot + QStringLiteral("/class/tty/") + tty).canonicalFilePath();
    QList<Device> chain;
    while (!dir.isEmpty() && dir.startsWith(devices + u'/')) {
        if (QFileInfo(dir + QStringLiteral("/subsystem")).isSymLink())
            chain.append({QFileInfo(dir).fileName(), linkName(dir, QStringLiteral("subsystem")),
                          linkName(dir, QStringLiteral("driver"))});
        dir = QFileInfo(dir).path();
    }
    return chain;
}

bool keyHolds(const RuleKey &key, const QString &value)
{
    return patternMatches(key.value, value) == (key.op == QStringLiteral("=="));
}

// Whether the rule's match keys hold for the tty, as on an "add" event: the
// device's own keys on the device, and the parent keys all on one device of
// the chain. A key this reader does not know fails the test.
bool ruleMatches(const Rule &rule, const QList<Device> &chain)
{
    if (chain.isEmpty())
        return false;
    Rule parentKeys;
    for (const RuleKey &key : rule) {
        if (key.op != QStringLiteral("==") && key.op != QStringLiteral("!="))
            continue; // an assignment
        if (key.name == QStringLiteral("KERNEL")) {
            if (!keyHolds(key, chain.first().kernel))
                return false;
        } else if (key.name == QStringLiteral("SUBSYSTEM")) {
            if (!keyHolds(key, chain.first().subsystem))
                return false;
        } else if (key.name == QStringLiteral("DRIVER")) {
            if (!keyHolds(key, chain.first().driver))
                return false;
        } else if (key.name == QStringLiteral("ACTION")) {
            if (!keyHolds(key, QStringLiteral("add")))
                return false;
        } else if (key.name == QStringLiteral("KERNELS") || key.name == QStringLiteral("SUBSYSTEMS") ||
                   key.name == QStringLiteral("DRIVERS")) {
            parentKeys.append(key);
        } else {
            ADD_FAILURE() << "this test does not know the match key " << qPrintable(key.name);
            return false;
        }
    }
    if (parentKeys.isEmpty())
        return true;
    for (const Device &device : chain) {
        bool all = true;
        for (const RuleKey &key : parentKeys) {
            const QString &value = key.name == QStringLiteral("KERNELS")      ? device.kernel
                                   : key.name == QStringLiteral("SUBSYSTEMS") ? device.subsystem
                                                                              : device.driver;
            all = all && keyHolds(key, value);
        }
        if (all)
            return true;
    }
    return false;
}

std::multimap<QString, QString> assignments(const Rule &rule)
{
    std::multimap<QString, QString> values;
    for (const RuleKey &key : rule) {
        if (key.op != QStringLiteral("==") && key.op != QStringLiteral("!="))
            values.emplace(key.name + (key.op == QStringLiteral("+=") ? QStringLiteral("+") : QString()),
                           key.value);
    }
    return values;
}

// Serial devices as the kernel lays them out, with subsystem and driver links.
class FakeDevices
{
public:
    FakeDevices() { EXPECT_TRUE(m_dir.isValid()); }
    QString root() const { return m_dir.path(); }

    // A USB to UART bridge: interface and usb-serial port bound to `driver`.
    void addUsbSerial(const QString &tty, const QString &driver)
    {
        const QString usb = addUsbDevice();
        const QString iface = usb + QStringLiteral("/%1:1.0").arg(QFileInfo(usb).fileName());
        device(iface, QStringLiteral("bus/usb"), QStringLiteral("bus/usb/drivers/") + driver);
        const QString port = iface + u'/' + tty;
        device(port, QStringLiteral("bus/usb-serial"), QStringLiteral("bus/usb-serial/drivers/") + driver);
        classTty(tty, port);
    }

    // A USB modem-class device: the tty sits right under the interface.
    void addUsbAcm(const QString &tty)
    {
        const QString usb = addUsbDevice();
        const QString iface = usb + QStringLiteral("/%1:1.0").arg(QFileInfo(usb).fileName());
        device(iface, QStringLiteral("bus/usb"), QStringLiteral("bus/usb/drivers/cdc_acm"));
        classTty(tty, iface);
    }

    // An on-board UART.
    void addPlatformUart(const QString &tty)
    {
        const QString uart = QStringLiteral("devices/platform/serial8250");
        device(uart, QStringLiteral("bus/platform"), QStringLiteral("bus/platform/drivers/serial8250"));
        classTty(tty, uart);
    }

private:
    QString addUsbDevice()
    {
        const QString usb = QStringLiteral("devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(++m_ports);
        device(usb, QStringLiteral("bus/usb"), QStringLiteral("bus/usb/drivers/usb"));
        return usb;
    }

    void classTty(const QString &tty, const QString &parent)
    {
        const QString dir = parent + QStringLiteral("/tty/") + tty;
        mkdir(dir);
        mkdir(QStringLiteral("class/tty"));
        link(dir + QStringLiteral("/subsystem"), QStringLiteral("class/tty"));
        link(dir + QStringLiteral("/device"), parent);
        link(QStringLiteral("class/tty/") + tty, dir);
    }

    void device(const QString &dir, const QString &subsystem, const QString &driver)
    {
        mkdir(dir);
        mkdir(driver);
        link(dir + QStringLiteral("/subsystem"), subsystem);
        link(dir + QStringLiteral("/driver"), driver);
    }

    void mkdir(const QString &path) { ASSERT_TRUE(QDir(root()).mkpath(path)) << qPrintable(path); }

    // A relative link at `at` to `target`, both relative to the root.
    void link(const QString &at, const QString &target)
    {
        const QString from = QFileInfo(m_dir.filePath(at)).path();
        ASSERT_TRUE(QFile::link(QDir(from).relativeFilePath(m_dir.filePath(target)), m_dir.filePath(at)))
            << qPrintable(at);
    }

    QTemporaryDir m_dir;
    int m_ports = 0;
};

TEST(UdevRule, NamesThePortAndGivesTheDialoutGroupAccess)
{
    const QList<Rule> rules = readRules(kRuleFile);
    ASSERT_EQ(rules.size(), 1);
    const auto values = assignments(rules.first());
    const std::multimap<QString, QString> expected = {
        {QStringLiteral("SYMLINK+"), receiverlookup::kReceiverLinkName},
        {QStringLiteral("GROUP"), QStringLiteral("dialout")},
        {QStringLiteral("MODE"), QStringLiteral("0660")}};
    EXPECT_EQ(values, expected);
}

TEST(UdevRule, MatchesTheReceiverDriversPortsOnlyAsTheLookupDoes)
{
    FakeDevices sys;
    sys.addUsbSerial(QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio"));
    sys.addUsbSerial(QStringLiteral("ttyUSB1"), receiverlookup::kReceiverDriver);
    sys.addUsbAcm(QStringLiteral("ttyACM0"));
    sys.addPlatformUart(QStringLiteral("ttyS0"));
    sys.addUsbSerial(QStringLiteral("ttyUSB2"), receiverlookup::kReceiverDriver);

    const QList<Rule> rules = readRules(kRuleFile);
    ASSERT_EQ(rules.size(), 1);
    QStringList matched;
    for (const QString &tty :
         {QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB1"), QStringLiteral("ttyACM0"),
          QStringLiteral("ttyS0"), QStringLiteral("ttyUSB2")}) {
        const QList<Device> chain = deviceChain(sys.root(), tty);
        ASSERT_FALSE(chain.isEmpty()) << qPrintable(tty);
        if (ruleMatches(rules.first(), chain))
            matched << tty;
    }
    EXPECT_EQ(matched, QStringList({QStringLiteral("ttyUSB1"), QStringLiteral("ttyUSB2")}));

    const QTemporaryDir noLink;
    EXPECT_EQ(receiverlookup::findReceiverPort(sys.root(), noLink.path()), QStringLiteral("/dev/ttyUSB1"));
}

// The reader itself: parent keys must hold on one device, not spread over
// several; the USB interface is bound to the bridge driver too, but is no
// usb-serial port.
TEST(UdevRule, ParentKeysMustHoldOnOneDevice)
{
    FakeDevices sys;
    sys.addUsbSerial(QStringLiteral("ttyUSB0"), QStringLiteral("cp210x"));
    const QList<Device> chain = deviceChain(sys.root(), QStringLiteral("ttyUSB0"));
    ASSERT_EQ(chain.size(), 4); // tty, port, interface, USB device
    auto rule = [](const QString &subsystems, const QString &drivers) {
        return Rule{{QStringLiteral("SUBSYSTEM"), QStringLiteral("=="), QStringLiteral("tty")},
                    {QStringLiteral("SUBSYSTEMS"), QStringLiteral("=="), subsystems},
                    {QStringLiteral("DRIVERS"), QStringLiteral("=="), drivers}};
    };
    EXPECT_TRUE(ruleMatches(rule(QStringLiteral("usb-serial"), QStringLiteral("cp210x")), chain));
    EXPECT_TRUE(ruleMatches(rule(QStringLiteral("usb"), QStringLiteral("cp210x")), chain));
    EXPECT_TRUE(ruleMatches(rule(QStringLiteral("usb"), QStringLiteral("usb")), chain));
    EXPECT_FALSE(ruleMatches(rule(QStringLiteral("usb-serial"), QStringLiteral("usb")), chain));
    EXPECT_FALSE(ruleMatches(rule(QStringLiteral("usb-serial"), QStringLiteral("ftdi_sio|pl2303")), chain));
    EXPECT_TRUE(ruleMatches(rule(QStringLiteral("usb-serial"), QStringLiteral("ftdi_sio|cp210*")), chain));
}

} // namespace
