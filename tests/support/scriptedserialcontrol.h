#pragma once

// A serial control whose port is a byte buffer the test fills: exact buffer
// counts, scripted open failures, receive and non-receive events on demand.
#include "platform/serialcontrol.h"

class ScriptedSerialControl : public SerialControl
{
public:
    // Open outcome of the next open() calls: None succeeds.
    OpenError failWith = OpenError::None;
    QString failText; // errorString() after a failed open
    int openCalls = 0;
    int discardCalls = 0;
    int eventKind = kEvNone; // commEvent() outside receiveEvent()
    QByteArray buffer;       // the bytes waiting

    void setCommPort(const QString &name) override { m_name = name; }
    QString commPort() const override { return m_name; }
    bool portOpen() const override { return m_open; }
    bool open() override
    {
        ++openCalls;
        if (m_open) {
            m_error = OpenError::AlreadyOpen;
            return false;
        }
        m_error = failWith;
        if (failWith != OpenError::None)
            return false;
        m_open = true;
        buffer.clear();
        return true;
    }
    void close() override
    {
        m_open = false;
        buffer.clear();
    }
    OpenError openError() const override { return m_error; }
    QString errorString() const override { return m_error == OpenError::None ? QString() : failText; }
    void setRThreshold(int n) override { m_threshold = n > 0 ? n : 0; }
    int rThreshold() const override { return m_threshold; }
    int inBufferCount() const override { return m_open ? int(buffer.size()) : 0; }
    void discardInput() override
    {
        ++discardCalls;
        buffer.clear();
    }
    QByteArray input() override
    {
        QByteArray all;
        all.swap(buffer);
        return all;
    }
    int commEvent() const override { return m_inReceive ? kEvReceive : eventKind; }

    // Raises the data-received event with `bytes` waiting (appended to what
    // is there), as the control does once the threshold is reached.
    void receive(const QByteArray &bytes)
    {
        buffer += bytes;
        const bool outer = m_inReceive;
        m_inReceive = true;
        Q_EMIT onComm();
        m_inReceive = outer;
    }

    // Raises an event of another kind (a line-state change).
    void otherEvent(int kind)
    {
        eventKind = kind;
        Q_EMIT onComm();
        eventKind = kEvNone;
    }

    // The device vanished: the port is closed and the loss reported.
    void loseLink(const QString &reason)
    {
        m_open = false;
        buffer.clear();
        Q_EMIT linkLost(reason);
    }

private:
    QString m_name;
    bool m_open = false;
    bool m_inReceive = false;
    int m_threshold = 0;
    OpenError m_error = OpenError::None;
};
