#include "app/shutdownrequests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

#include <csignal>

ShutdownRequests::ShutdownRequests(QWidget &mainWindow, QObject *parent)
    : QObject(parent), m_window(mainWindow), m_signals({SIGTERM, SIGINT, SIGHUP})
{
    connect(&m_signals, &SignalNotifier::raised, this, &ShutdownRequests::onSignal);
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &ShutdownRequests::onCommitData,
                Qt::DirectConnection);
}

// The window is closed from the event loop, not from within the signal's
// notification, so that a second signal is noticed while the question waits.
void ShutdownRequests::onSignal(int signalNumber)
{
    if (m_closing) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    m_closing = true;
    QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
}

// The questions may only be asked while the session manager grants
// interaction; without it the window is left open, so the log is not dropped
// unasked (the session's later SIGTERM then runs the same shutdown).
void ShutdownRequests::onCommitData(QSessionManager &manager)
{
    if (m_closing || !manager.allowsInteraction())
        return;
    m_closing = true;
    m_window.close();
    manager.release();
}
