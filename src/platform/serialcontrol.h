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
// 1 stop bit, binary input, 1024-byte receive buffer. Nothing is ever sent.
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
    // Opens the selected port; false on failure with openError()/errorString().
    virtual bool open();
    // Closes the port; waiting bytes are lost. Safe when already closed.
    virtual void close();
    virtual OpenError openError() const;
    virtual QString errorString() const;

    // RThreshold: 0 raises no receive events; n > 0 raises one each time the
    // bytes waiting rise from below n to n or more.
    virtual void setRThreshold(int n);
    virtual int rThreshold() const;

    // InBufferCount: bytes waiting; 0 on a closed port.
    virtual int inBufferCount() const;
    // InBufferCount = 0: discards every waiting byte. Nothing on a closed port.
    virtual void discardInput();
    // Input: removes and returns every waiting byte in arrival order.
    virtual QByteArray input();

    // CommEvent: the kind of the event being delivered (kEvReceive inside
    // onComm handlers), kEvNone otherwise.
    virtual int commEvent() const;

Q_SIGNALS:
    // The communication event, on the user-interface thread. May be raised
    // again while a handler of an earlier one waits in a modal dialog.
    void onComm();
    // The open port failed (receiver unplugged, read error). Raised once; the
    // port is then closed. `reason` names the device and the error.
    void linkLost(const QString &reason);

private:
    void onReadyRead();
    void onError(int error);
    void checkThreshold();

    std::unique_ptr<QSerialPort> m_port;
    QString m_name;
    int m_threshold = 0;
    bool m_armedBelow = true; // bytes waiting were below the threshold since the last event
    int m_commEvent = kEvNone;
    bool m_lost = false;
    OpenError m_openError = OpenError::None;
    QString m_errorString;
};
