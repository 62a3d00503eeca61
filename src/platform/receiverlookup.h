#pragma once

#include <QList>
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
// driver. ttyS entries bound to the generic "serial8250" platform driver, or
// whose "type" attribute reports no UART (0), are the kernel's placeholder
// ports (ttyS1 to ttyS31 on most PCs) and are left out; on-board ports bound
// through firmware ("serial", "dw-apb-uart", "port" on the serial-base bus)
// are listed.
QStringList listSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

// A serial port as the port chooser offers it: the path that is opened and
// what the system reports of the device behind it (for USB bridges the
// product, or the maker when the product is not reported; empty when nothing
// is known).
struct PortEntry
{
    QString path;
    QString description;

    friend bool operator==(const PortEntry &, const PortEntry &) = default;
};

// The entry as the list shows it: "/dev/ttyUSB0 (CP2102 USB to UART Bridge
// Controller)", or the path alone without a description.
QString entryText(const PortEntry &entry);

// The ports of listSerialPorts(), in the same order, with their
// descriptions. Linux: read from the USB device above the tty in sysfs
// (its "product" and "manufacturer" attributes), control characters
// removed and the text cut to kDescriptionLength characters.
QList<PortEntry> describeSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));
inline constexpr qsizetype kDescriptionLength = 60;

// The port chooser's list: the receiver's port first (when `receiver` is not
// empty; it may be a port the system does not list, such as a pseudo-terminal
// or the stable link of the udev rule), then the other ports. A listed port
// that is the receiver's device (the same path, or the same device after
// links are followed) is not listed twice; its description goes to the
// receiver's entry.
QList<PortEntry> portChoices(const QString &receiver, const QList<PortEntry> &ports);

// The receiver's usual name ("/dev/ttyUSB0" on Linux, "COM3" on Windows):
// the port chooser starts with it when that port is present.
QString defaultPortName();

// A serial-port map value as the registry returns it: `size` bytes stored,
// the terminating zero included; the port name is the first size - 1 bytes.
// Sizes beyond the buffer are clamped to it.
QString portNameFromMapValue(const QByteArray &buffer, unsigned long size);

// Natural order of tty names: digit runs compare by value, the rest by
// character ("ttyS2" < "ttyS10" < "ttyUSB0").
bool naturalLess(const QString &a, const QString &b);

} // namespace receiverlookup
