#include "support/scriptedserialcontrol.h"

bool ScriptedSerialControl::open()
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

void ScriptedSerialControl::close()
{
    m_open = false;
    buffer.clear();
}

void ScriptedSerialControl::setRThreshold(int n)
{
    m_threshold = n > 0 ? n : 0;
}

void ScriptedSerialControl::discardInput()
{
    ++discardCalls;
    buffer.clear();
}

QByteArray ScriptedSerialControl::input()
{
    QByteArray all;
    all.swap(buffer);
    return all;
}

void ScriptedSerialControl::deliver(const QByteArray &bytes, qint64 quietMs)
{
    if (!m_open)
        return;
    if (!buffer.isEmpty())
        Q_EMIT arriving(quietMs);
    const qsizetype before = buffer.size();
    buffer += bytes;
    if (m_threshold > 0 && before < m_threshold && buffer.size() >= m_threshold)
        raiseReceive();
}

void ScriptedSerialControl::receive(const QByteArray &bytes)
{
    buffer += bytes;
    raiseReceive();
}

void ScriptedSerialControl::raiseReceive()
{
    const bool outer = m_inReceive;
    m_inReceive = true;
    Q_EMIT onComm();
    m_inReceive = outer;
}

void ScriptedSerialControl::otherEvent(int kind)
{
    eventKind = kind;
    Q_EMIT onComm();
    eventKind = kEvNone;
}

void ScriptedSerialControl::loseLink(const QString &reason)
{
    m_open = false;
    buffer.clear();
    Q_EMIT linkLost(reason);
}
