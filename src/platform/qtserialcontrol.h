#pragma once

#include "link/serialcontrol.h"

#include <QElapsedTimer>
#include <memory>

class QSerialPort;

// The serial control over QSerialPort. The port is opened read-only, since
// nothing is ever sent.
//
// onComm() and linkLost() are raised from the event loop, never from inside a
// QSerialPort signal: QSerialPort does not emit readyRead() again while a
// readyRead() handler is still running, so a handler called from there could
// not be re-entered while it waits in a modal dialog.
class QtSerialControl : public SerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(QObject *parent = nullptr);
    ~QtSerialControl() override;

    void setCommPort(const QString &name) override;
    QString commPort() const override;
    bool portOpen() const override;
    bool open() override;
    void close() override;
    OpenError openError() const override;
    QString errorString() const override;
    // When n or more bytes are already waiting, one event is queued
    // (delivered only if they are still waiting then).
    void setRThreshold(int n) override;
    int rThreshold() const override;
    // At most 1024, and while armed at most the threshold: later bytes wait
    // behind in arrival order and move up as the buffer is emptied.
    int inBufferCount() const override;
    void discardInput() override;
    QByteArray input() override;
    int commEvent() const override;

    // How a failed QSerialPort::open() is reported, from Qt's error code and
    // the system's view of the device: `deviceDenied` when the device exists
    // but this user may not read it; `lockDirectoryAvailable` when a folder
    // for serial lock files can be written. Qt reports a denied device, a
    // device busy elsewhere, a lock file held by another program and a
    // missing lock folder all as PermissionError.
    // Read errors survived without losing the link (the port was reopened).
    int transientErrors() const { return m_transientErrors; }

    static OpenError classifyOpenFailure(int qtError, bool deviceDenied, bool lockDirectoryAvailable);

private:
    void raiseReceiveEvent();
    void onReadyRead();
    void onError(int error);
    void checkThreshold();
    void scheduleCheck();
    void noteDrained();
    void fillBuffer();
    // Whether a failed read means the device is gone (node missing, hang-up).
    bool deviceGone() const;
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
    QByteArray m_buffer;  // the receive buffer: what inBufferCount() counts
    QByteArray m_backlog; // read from the device, not yet in the buffer
    QElapsedTimer m_clock;
    qint64 m_lastArrival = 0;
    int m_transientErrors = 0;
};
