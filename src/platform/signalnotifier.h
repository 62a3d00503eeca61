#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Process signals (SIGTERM, SIGINT, ...) delivered as a Qt signal on the
// event loop, so that they are served like any other event, inside modal
// dialogs as well. The handler only writes the signal number to a socket
// pair; a socket notifier reads it. One instance per process; the signals'
// previous handlers come back when it is destroyed.
class SignalNotifier : public QObject
{
    Q_OBJECT
public:
    explicit SignalNotifier(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalNotifier() override;
    SignalNotifier(const SignalNotifier &) = delete;
    SignalNotifier &operator=(const SignalNotifier &) = delete;

    bool isValid() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void raised(int signalNumber);

private:
    void onReadable();

    std::vector<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
};
