#include "cli/signalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Tarn {

namespace {

int signalSockets[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const char byte = char(signalNumber);
    // A full socket already holds a byte that will wake the watcher.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[1], &byte, 1);
    errno = saved;
}

bool setHandler(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
{
}

SignalWatcher::~SignalWatcher()
{
    if (!installed)
        return;
    setHandler(SIGINT, SIG_DFL);
    setHandler(SIGTERM, SIG_DFL);
    setHandler(SIGPIPE, SIG_DFL);
    delete notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

bool SignalWatcher::install()
{
    if (installed)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return false;
    ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignals);
    installed = true;
    return setHandler(SIGINT, onSignal) && setHandler(SIGTERM, onSignal) && setHandler(SIGPIPE, SIG_IGN);
}

void SignalWatcher::readSignals()
{
    char bytes[16];
    const ssize_t count = ::read(signalSockets[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i)
        emit signalReceived(int(bytes[i]));
}

} // namespace Tarn
