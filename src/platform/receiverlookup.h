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
QStringList listSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

} // namespace receiverlookup
