#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QSerialPort;

// The serial control the program relies on: a port name, open and close, a
// receive threshold, the bytes waiting, discard, read-all and the
// communication event over QSerialPort (tests may override the virtual
// operations with a scripted port). Fixed settings: 2400 baud, 8 data bits, no parity,
// 1 stop bit, no flow control, binary input, 1024-byte receive buffer. Nothing is
// ever sent: the port is opened read-only.
//
// Events: onComm() and linkLost() are delivered from the event loop of the
// user-interface thread, between other events, never from inside a
// QSerialPort signal. QSerialPort does not emit readyRead() again while a
// readyRead() handler is still running, so a handler called from there could
// not be re-entered while it waits in a modal dialog; delivered from the event
// loop it can.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    // CommEvent values.
    static constexpr int kEvNone = 0;
    static constexpr int kEvReceive = 2;

    // Why an open failed.
    enum class OpenError { None, NotFound, Permission, InUse, AlreadyOpen, Other };

    explicit SerialControl(QObject *parent = nullptr);
    ~SerialControl() override;

    // CommPort: the device the next open uses ("/dev/ttyUSB0", "COM3").
    virtual void setCommPort(const QString &name);
    virtual QString commPort() const;

    // PortOpen.
    virtual bool portOpen() const;
    // Opens the selected port read-only with the fixed settings and flushes
    // whatever the device held before; false on failure with
    // openError()/errorString(). Resets openError() on success.
    virtual bool open();
    // Closes the port; waiting bytes are lost. Safe when already closed.
    virtual void close();
    virtual OpenError openError() const;
    // A sentence naming the device: why the last open failed, or why the link
    // was lost. Empty after a successful open.
    virtual QString errorString() const;

    // RThreshold: 0 raises no receive events; n > 0 raises one each time the
    // bytes waiting rise from below n to n or more. Setting n counts as the
    // bytes waiting having been below n: when n or more are already waiting,
    // one event is queued (delivered only if they are still waiting then).
    // Negative values count as 0.
    virtual void setRThreshold(int n);
    virtual int rThreshold() const;

    // InBufferCount: bytes waiting; 0 on a closed port. At most 1024: while
    // the buffer is full the device is not read, and further bytes wait (or
    // are dropped) in the operating system until the buffer is emptied.
    virtual int inBufferCount() const;
    // InBufferCount = 0: discards every waiting byte. Nothing on a closed port.
    virtual void discardInput();
    // Input: removes and returns every waiting byte in arrival order; empty
    // on a closed port.
    virtual QByteArray input();

    // CommEvent: the kind of the event being delivered (kEvReceive inside
    // onComm handlers, nested ones included), kEvNone otherwise.
    virtual int commEvent() const;

    // How a failed QSerialPort::open() is reported: `qtError` is the
    // QSerialPort::SerialPortError, `qtErrorText` its errorString();
    // `deviceDenied` is true when the device exists but this user may not read
    // it. Qt reports a denied device, a device busy elsewhere and a lock file
    // held by another program all as PermissionError.
    static OpenError classifyOpenFailure(int qtError, bool deviceDenied, const QString &qtErrorText);

Q_SIGNALS:
    // The communication event, on the user-interface thread. May be raised
    // again while a handler of an earlier one waits in a modal dialog.
    void onComm();
    // The open port failed (receiver unplugged, read error). The port is
    // closed at once (nothing more is read) and this is raised once per opened
    // port, afterwards, from the event loop; `reason` names the device and the
    // error. Dropped when the port has been opened again before delivery.
    void linkLost(const QString &reason);

protected:
    // Raises onComm() with commEvent() = kEvReceive for its duration, restoring
    // the previous value afterwards so that nested events unwind properly.
    void raiseReceiveEvent();

private:
    void onReadyRead();
    void onError(int error);
    void checkThreshold();
    void scheduleCheck();
    void noteDrained();
    bool live() const;
    void closePort();

    std::unique_ptr<QSerialPort> m_port;
    QString m_name;
    QString m_openName; // the device of the open port
    int m_threshold = 0;
    bool m_armedBelow = true; // bytes waiting were below the threshold since the last event
    int m_commEvent = kEvNone;
    bool m_lost = false;
    bool m_closing = false;      // inside QSerialPort::close(): its errors are not a lost link
    bool m_checkPending = false; // a threshold check is queued
    quint64 m_session = 0;       // counts successful opens
    OpenError m_openError = OpenError::None;
    QString m_errorString;
};
