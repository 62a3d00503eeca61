#pragma once

#include <QString>
#include <QStringList>

// Finding the meter's receiver among the serial ports.
namespace receiverlookup {

// The kernel driver of the receiver's USB serial bridge.
inline const QString kReceiverDriver = QStringLiteral("cp210x");

// The name under <devRoot> that Quenvo's udev rule links to the receiver's
// port (/dev/quenvo-meter).
inline const QString kReceiverLinkName = QStringLiteral("quenvo-meter");

// The receiver's port, or an empty string when it is not plugged in.
// Linux: <devRoot>/quenvo-meter when that symlink leads to a device;
// otherwise the first tty (natural order: ttyUSB2 before ttyUSB10) under
// <sysfsRoot>/class/tty whose device/driver link ends in the receiver's driver;
// returns the device path ("/dev/ttyUSB0").
// Windows: the port that the serial-port map (the registry key
// "HARDWARE\DEVICEMAP\SERIALCOMM") names for the bridge driver's devices
// "\Device\silabser0", then "\Device\slabser0" ("COM4"); the roots are unused.
// macOS: the first port whose name shows the bridge driver ("cu.SLAB_USBtoUART").
QString findReceiverPort(const QString &sysfsRoot = QStringLiteral("/sys"),
                         const QString &devRoot = QStringLiteral("/dev"));

// The ports the port chooser offers. Linux: the serial devices present
// (ttyUSB*, ttyACM*, and ttyS* that have a real device behind them), as
// sorted full device paths. Windows: "COM1" ... "COM16". macOS: the
// call-out devices present.
//
// An entry counts only when its device/driver link resolves to an existing
// driver. ttyS entries bound to the generic "serial8250" platform driver are
// the kernel's placeholder ports (ttyS1 to ttyS31 on most PCs) and are left
// out; on-board ports bound through firmware ("serial", "dw-apb-uart", ...)
// are listed.
QStringList listSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

// The text the port chooser starts with: the receiver's usual name
// ("/dev/ttyUSB0" on Linux, "COM3" on Windows).
QString defaultPortName();

// A serial-port map value as the registry returns it: `size` bytes stored,
// the terminating zero included; the port name is the first size - 1 bytes.
// Sizes beyond the buffer are clamped to it.
QString portNameFromMapValue(const QByteArray &buffer, unsigned long size);

// Natural order of tty names: digit runs compare by value, the rest by
// character ("ttyS2" < "ttyS10" < "ttyUSB0").
bool naturalLess(const QString &a, const QString &b);

} // namespace receiverlookup
