#pragma once

#include <QString>
#include <QStringList>

// Finding the meter's receiver among the serial ports.
namespace receiverlookup {

// The kernel driver of the receiver's USB serial bridge.
inline const QString kReceiverDriver = QStringLiteral("cp210x");

// Linux: the first tty (natural order: ttyUSB2 before ttyUSB10) under
// <sysfsRoot>/class/tty whose device/driver link ends in the receiver's driver.
// Returns the device path ("/dev/ttyUSB0") or an empty string.
QString findReceiverPort(const QString &sysfsRoot = QStringLiteral("/sys"));

// Serial devices present (ttyUSB*, ttyACM*, and ttyS* that have a real device
// behind them), as sorted full device paths.
//
// An entry counts only when its device/driver link resolves to an existing
// driver. ttyS entries bound to the generic "serial8250" platform driver are
// the kernel's placeholder ports (ttyS1 to ttyS31 on most PCs) and are left
// out; on-board ports bound through firmware ("serial", "dw-apb-uart", ...)
// are listed.
QStringList listSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

// Natural order of tty names: digit runs compare by value, the rest by
// character ("ttyS2" < "ttyS10" < "ttyUSB0").
bool naturalLess(const QString &a, const QString &b);

} // namespace receiverlookup
