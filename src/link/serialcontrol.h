#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial control the program relies on: a port name, open and close, a
// receive threshold, the bytes waiting, discard, read-all and the
// communication event. Fixed settings: 2400 baud, 8 data bits, no parity,
// 1 stop bit, no flow control, binary input, 1024-byte receive buffer.
// Nothing is ever sent.
//
// Events: onComm() and linkLost() are delivered from the event loop of the
// user-interface thread, between other events, so that a handler waiting in a
// modal dialog can be entered again.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    // CommEvent values.
    static constexpr int kEvNone = 0;
    static constexpr int kEvReceive = 2;

    // Why an open failed.
    enum class OpenError { None, NotFound, Permission, InUse, AlreadyOpen, Other };

    using QObject::QObject;
    ~SerialControl() override;

    // CommPort: the device the next open uses ("/dev/ttyUSB0", "COM3").
    virtual void setCommPort(const QString &name) = 0;
    virtual QString commPort() const = 0;

    // PortOpen.
    virtual bool portOpen() const = 0;
    // Opens the selected port with the fixed settings, dropping whatever the
    // device held before; false on failure with openError()/errorString().
    virtual bool open() = 0;
    // Closes the port; waiting bytes are lost. Safe when already closed.
    virtual void close() = 0;
    virtual OpenError openError() const = 0;
    // A sentence naming the device: why the last open failed, or why the link
    // was lost. Empty after a successful open.
    virtual QString errorString() const = 0;

    // RThreshold: 0 raises no receive events; n > 0 raises one each time the
    // bytes waiting rise from below n to n or more. Setting n counts as the
    // bytes waiting having been below n. Negative values count as 0.
    virtual void setRThreshold(int n) = 0;
    virtual int rThreshold() const = 0;

    // InBufferCount: bytes waiting; 0 on a closed port.
    virtual int inBufferCount() const = 0;
    // InBufferCount = 0: discards every waiting byte. Nothing on a closed port.
    virtual void discardInput() = 0;
    // Input: removes and returns every waiting byte in arrival order; empty
    // on a closed port.
    virtual QByteArray input() = 0;

    // CommEvent: the kind of the event being delivered (kEvReceive inside
    // onComm handlers, nested ones included), kEvNone otherwise.
    virtual int commEvent() const = 0;

Q_SIGNALS:
    // The communication event, on the user-interface thread. May be raised
    // again while a handler of an earlier one waits in a modal dialog.
    void onComm();
    // New bytes came from the device while others were waiting; raised
    // before the new bytes join them. `quietMs` is how long the line was
    // silent before they came. A receiver may discard what waits here.
    void arriving(qint64 quietMs);
    // The open port failed for good (receiver unplugged). The port is already
    // closed; raised once per opened port; `reason` names the device and the
    // error.
    void linkLost(const QString &reason);
};
