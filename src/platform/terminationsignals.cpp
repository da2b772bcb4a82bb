#include "platform/terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

// [0] is written by the handler, [1] read by the event loop.
int g_socket[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char number = char(signalNumber);
    // Non-blocking: when the socket is full, the event loop has signals to read already.
    [[maybe_unused]] const ssize_t written = ::write(g_socket[0], &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (g_socket[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_socket) != 0)
        return; // the signals keep ending the process at once
    m_notifier = new QSocketNotifier(g_socket[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : Handled) {
        // A signal the game was started to ignore stays ignored: `nohup`, or a background
        // job of a shell without job control, which ignores Ctrl+C meant for the foreground.
        struct sigaction old
        {};
        if (::sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            ::sigaction(signalNumber, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int signalNumber : Handled) {
        struct sigaction current
        {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == onSignal)
            std::signal(signalNumber, SIG_DFL);
    }
    delete m_notifier;
    ::close(g_socket[0]);
    ::close(g_socket[1]);
    g_socket[0] = g_socket[1] = -1;
}

void TerminationSignals::readSignals()
{
    char number = 0;
    while (::read(g_socket[1], &number, 1) == 1)
        emit received(number);
}
