#include "platform/receiverlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace receiverlookup {

namespace {

const QString kPlaceholderUartDriver = QStringLiteral("serial8250");

// The tty entries under <root>/class/tty, in natural order.
QStringList ttyNames(const QString &sysfsRoot)
{
    const QDir dir(sysfsRoot + QStringLiteral("/class/tty"));
    QStringList names =
        dir.entryList(QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

// The name of the driver bound to a tty's device, or empty when there is no
// device, no driver, or the link leads nowhere.
QString driverOf(const QString &sysfsRoot, const QString &tty)
{
    const QFileInfo link(sysfsRoot + QStringLiteral("/class/tty/") + tty + QStringLiteral("/device/driver"));
    if (!link.isSymLink() || !link.exists())
        return {};
    return QFileInfo(link.symLinkTarget()).fileName();
}

QString devicePath(const QString &tty)
{
    return QStringLiteral("/dev/") + tty;
}

// A device's own words for itself, fit for one line of a list: control
// characters become spaces, runs of spaces one, and the text is cut.
QString cleanDescription(const QString &raw)
{
    QString text = raw;
    for (QChar &c : text) {
        if (!c.isPrint())
            c = u' ';
    }
    text = text.simplified();
    if (text.size() > kDescriptionLength)
        text = text.left(kDescriptionLength).trimmed();
    return text;
}

QString describe(const QString &product, const QString &maker)
{
    const QString p = cleanDescription(product);
    return p.isEmpty() ? cleanDescription(maker) : p;
}

// Value of the digit run starting at `i`; advances `i` past it. Leading zeros
// are skipped, so overlong runs still compare by length first.
QStringView digitRun(const QString &s, qsizetype &i)
{
    while (i < s.size() - 1 && s[i] == u'0' && s[i + 1].isDigit())
        ++i;
    const qsizetype begin = i;
    while (i < s.size() && s[i].isDigit())
        ++i;
    return QStringView(s).mid(begin, i - begin);
}

} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const QStringView x = digitRun(a, i);
            const QStringView y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            const int c = x.compare(y);
            if (c != 0)
                return c < 0;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // equal by value ("tty01" and "tty1"): keep a strict order
}

QString entryText(const PortEntry &entry)
{
    if (entry.description.isEmpty())
        return entry.path;
    return entry.path + QStringLiteral(" (") + entry.description + QLatin1Char(')');
}

QList<PortEntry> portChoices(const QString &receiver, const QList<PortEntry> &ports)
{
    if (receiver.isEmpty())
        return ports;
    // Links followed: the udev rule's stable name leads to the tty it names.
    const QString receiverDevice = QFileInfo(receiver).canonicalFilePath();
    PortEntry first{receiver, {}};
    QList<PortEntry> choices{first};
    for (const PortEntry &port : ports) {
        const bool same =
            port.path == receiver ||
            (!receiverDevice.isEmpty() && QFileInfo(port.path).canonicalFilePath() == receiverDevice);
        if (!same) {
            choices << port;
            continue;
        }
        if (choices.front().description.isEmpty())
            choices.front().description = port.description;
    }
    return choices;
}

QString portNameFromMapValue(const QByteArray &buffer, unsigned long size)
{
    const qsizetype stored =
        std::min<qsizetype>(static_cast<qsizetype>(std::min<unsigned long>(size, 1u << 20)), buffer.size());
    if (stored <= 1)
        return {};
    QByteArray name = buffer.left(stored - 1);
    const qsizetype zero = name.indexOf('\0');
    if (zero >= 0)
        name.truncate(zero);
    return QString::fromLatin1(name);
}

#if defined(Q_OS_WIN)

namespace {

// Reads one value of the serial-port map into a 100-byte buffer.
QString readMapValue(HKEY key, const char *valueName)
{
    QByteArray buffer(100, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    return portNameFromMapValue(buffer, size);
}

} // namespace

QString findReceiverPort(const QString &, const QString &)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return {};
    QString port = readMapValue(key, "\\Device\\silabser0");
    if (port.isEmpty())
        port = readMapValue(key, "\\Device\\slabser0");
    RegCloseKey(key);
    return port;
}

QStringList listSerialPorts(const QString &)
{
    QStringList ports;
    for (int n = 1; n <= 16; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    return ports;
}

QList<PortEntry> describeSerialPorts(const QString &sysfsRoot)
{
    QList<PortEntry> entries;
    const QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();
    for (const QString &port : listSerialPorts(sysfsRoot)) {
        PortEntry entry{port, {}};
        for (const QSerialPortInfo &info : present) {
            if (info.portName() == port)
                entry.description = describe(info.description(), info.manufacturer());
        }
        entries << entry;
    }
    return entries;
}

QString defaultPortName()
{
    return QStringLiteral("COM3");
}

#elif defined(Q_OS_MACOS)

QString findReceiverPort(const QString &, const QString &)
{
    for (const QString &port : listSerialPorts(QString())) {
        if (port.contains(QStringLiteral("SLAB_USBtoUART")))
            return port;
    }
    return {};
}

QList<PortEntry> describeSerialPorts(const QString &)
{
    QList<PortEntry> entries;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.portName().startsWith(QStringLiteral("cu.")))
            entries << PortEntry{info.systemLocation(), describe(info.description(), info.manufacturer())};
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry &a, const PortEntry &b) { return naturalLess(a.path, b.path); });
    return entries;
}

QStringList listSerialPorts(const QString &sysfsRoot)
{
    QStringList ports;
    for (const PortEntry &entry : describeSerialPorts(sysfsRoot))
        ports << entry.path;
    return ports;
}

QString defaultPortName()
{
    return QStringLiteral("/dev/cu.SLAB_USBtoUART");
}

#else

QString defaultPortName()
{
    return QStringLiteral("/dev/ttyUSB0");
}

QString findReceiverPort(const QString &sysfsRoot, const QString &devRoot)
{
    // The stable name that Quenvo's udev rule gives the receiver, when that
    // rule is installed and the link leads to a device.
    const QFileInfo stableLink(devRoot + QLatin1Char('/') + kReceiverLinkName);
    if (stableLink.isSymLink() && stableLink.exists())
        return stableLink.filePath();
    for (const QString &tty : ttyNames(sysfsRoot)) {
        if (driverOf(sysfsRoot, tty) == kReceiverDriver)
            return devicePath(tty);
    }
    return {};
}

namespace {

// A sysfs attribute as text; attributes are short, so only the start is read.
QString readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(256)).trimmed();
}

// A ttyS entry whose UART type is 0 (unknown) has no UART behind it.
bool isPlaceholderUart(const QString &sysfsRoot, const QString &tty)
{
    return readAttribute(sysfsRoot + QStringLiteral("/class/tty/") + tty + QStringLiteral("/type")) ==
           QStringLiteral("0");
}

// The product, or the maker, of the USB device the tty belongs to: the first
// of the tty's device and its next parents that carries either attribute
// (the USB device sits one level above the interface, two above a
// usb-serial port). Empty for devices that report neither.
QString usbDescription(const QString &sysfsRoot, const QString &tty)
{
    constexpr int kLevels = 3;
    const QString devices = QDir(sysfsRoot + QStringLiteral("/devices")).canonicalPath();
    QString dir = QFileInfo(sysfsRoot + QStringLiteral("/class/tty/") + tty + QStringLiteral("/device"))
                      .canonicalFilePath();
    for (int level = 0; level < kLevels && !dir.isEmpty(); ++level) {
        if (!devices.isEmpty() && !dir.startsWith(devices + u'/'))
            break;
        const QString product = readAttribute(dir + QStringLiteral("/product"));
        const QString maker = readAttribute(dir + QStringLiteral("/manufacturer"));
        if (!product.isEmpty() || !maker.isEmpty())
            return describe(product, maker);
        dir = QFileInfo(dir).path();
    }
    return {};
}

} // namespace

QList<PortEntry> describeSerialPorts(const QString &sysfsRoot)
{
    static const QRegularExpression serialName(QStringLiteral("^tty(USB|ACM|S)[0-9]+$"));
    QList<PortEntry> ports;
    for (const QString &tty : ttyNames(sysfsRoot)) {
        if (!serialName.match(tty).hasMatch())
            continue;
        const QString driver = driverOf(sysfsRoot, tty);
        if (driver.isEmpty())
            continue;
        if (tty.startsWith(QStringLiteral("ttyS")) &&
            (driver == kPlaceholderUartDriver || isPlaceholderUart(sysfsRoot, tty)))
            continue;
        ports << PortEntry{devicePath(tty), usbDescription(sysfsRoot, tty)};
    }
    return ports;
}

QStringList listSerialPorts(const QString &sysfsRoot)
{
    QStringList ports;
    for (const PortEntry &entry : describeSerialPorts(sysfsRoot))
        ports << entry.path;
    return ports;
}

#endif

} // namespace receiverlookup
