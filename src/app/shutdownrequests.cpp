#include "app/shutdownrequests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

#include <csignal>

ShutdownRequests::ShutdownRequests(QWidget &mainWindow, QObject *parent)
    : QObject(parent), m_window(mainWindow), m_signals({SIGTERM, SIGINT, SIGHUP})
{
    connect(&m_signals, &SignalNotifier::raised, &m_window, &QWidget::close);
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &ShutdownRequests::onCommitData,
                Qt::DirectConnection);
}

// The questions may only be asked while the session manager grants
// interaction; without it the window is left open, so the log is not dropped
// unasked (the session's later SIGTERM then runs the same shutdown).
void ShutdownRequests::onCommitData(QSessionManager &manager)
{
    if (!manager.allowsInteraction())
        return;
    m_window.close();
    manager.release();
}
