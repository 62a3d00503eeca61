#include "platform/receiverlookup.h"

#include <QDir>
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

QStringList listSerialPorts(const QString &)
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.portName().startsWith(QStringLiteral("cu.")))
            ports << info.systemLocation();
    }
    std::sort(ports.begin(), ports.end(), naturalLess);
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

QStringList listSerialPorts(const QString &sysfsRoot)
{
    static const QRegularExpression serialName(QStringLiteral("^tty(USB|ACM|S)[0-9]+$"));
    QStringList ports;
    for (const QString &tty : ttyNames(sysfsRoot)) {
        if (!serialName.match(tty).hasMatch())
            continue;
        const QString driver = driverOf(sysfsRoot, tty);
        if (driver.isEmpty())
            continue;
        if (tty.startsWith(QStringLiteral("ttyS")) && driver == kPlaceholderUartDriver)
            continue;
        ports << devicePath(tty);
    }
    return ports;
}

#endif

} // namespace receiverlookup
