#include "platform/receiverlookup.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

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

QString findReceiverPort(const QString &sysfsRoot)
{
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

} // namespace receiverlookup
