#pragma once

// A serial control whose port is a byte buffer the test fills: exact buffer
// counts, scripted open failures, receive and non-receive events on demand.
#include "link/serialcontrol.h"

class ScriptedSerialControl : public SerialControl
{
public:
    // Open outcome of the next open() calls: None succeeds.
    OpenError failWith = OpenError::None;
    QString failText; // errorString() after a failed open
    int openCalls = 0;
    int discardCalls = 0;
    int eventKind = kEvNone; // commEvent() outside receive events
    QByteArray buffer;       // the bytes waiting

    void setCommPort(const QString &name) override { m_name = name; }
    QString commPort() const override { return m_name; }
    bool portOpen() const override { return m_open; }
    bool open() override;
    void close() override;
    OpenError openError() const override { return m_error; }
    QString errorString() const override { return m_error == OpenError::None ? QString() : failText; }
    void setRThreshold(int n) override;
    int rThreshold() const override { return m_threshold; }
    int inBufferCount() const override { return m_open ? int(buffer.size()) : 0; }
    void discardInput() override;
    QByteArray input() override;
    int commEvent() const override { return m_inReceive ? kEvReceive : eventKind; }

    // Bytes arrive on the line after `quietMs` of silence, as the real
    // control sees them: announced when others wait, appended to what waits,
    // raising the receive event when the threshold is crossed (the bytes
    // waiting rise from below it to it or more).
    void deliver(const QByteArray &bytes, qint64 quietMs = 0);

    // Raises the data-received event with `bytes` waiting (appended to what
    // is there), whatever the threshold.
    void receive(const QByteArray &bytes);

    // Raises an event of another kind (a line-state change).
    void otherEvent(int kind);

    // The device vanished: the port is closed and the loss reported.
    void loseLink(const QString &reason);

private:
    void raiseReceive();

    QString m_name;
    bool m_open = false;
    bool m_inReceive = false;
    int m_threshold = 0;
    OpenError m_error = OpenError::None;
};
