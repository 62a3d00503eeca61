#include "platform/signalnotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1}; // [0] written by the handler, [1] read by the notifier

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

SignalNotifier::SignalNotifier(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), m_signals(signalNumbers)
{
    if (g_signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalNotifier::onReadable);
    for (int signalNumber : m_signals)
        setHandler(signalNumber, onSignal);
}

SignalNotifier::~SignalNotifier()
{
    if (!m_notifier)
        return;
    for (int signalNumber : m_signals)
        setHandler(signalNumber, SIG_DFL);
    delete m_notifier;
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}

void SignalNotifier::onReadable()
{
    char byte = 0;
    while (::read(g_signalPipe[1], &byte, 1) == 1)
        Q_EMIT raised(static_cast<unsigned char>(byte));
}
