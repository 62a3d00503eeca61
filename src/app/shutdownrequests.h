#pragma once

#include "platform/signalnotifier.h"

#include <QObject>

class QSessionManager;
class QWidget;

// Requests to end the program from outside it, served like closing the main
// window (the same shutdown path, with its offer to save the log): SIGTERM,
// SIGINT and SIGHUP, and the session manager asking to save before logout.
// A second signal while the shutdown is still running (its question is
// showing) ends the program at once, as the signal's default does: the way out
// when the window cannot be seen or answered.
class ShutdownRequests : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownRequests(QWidget &mainWindow, QObject *parent = nullptr);

    bool isValid() const { return m_signals.isValid(); }

private:
    void onSignal(int signalNumber);
    void onCommitData(QSessionManager &manager);

    QWidget &m_window;
    SignalNotifier m_signals;
    bool m_closing = false;
};
