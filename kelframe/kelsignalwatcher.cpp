#include "kelframe/kelsignalwatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};
std::atomic<bool> watcherInstalled{false};

struct SavedHandler
{
    int signalNumber;
    struct sigaction action;
};
SavedHandler savedHandlers[5];
int savedCount = 0;

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
    SavedHandler &saved = savedHandlers[savedCount];
    if (::sigaction(signalNumber, &action, &saved.action) != 0)
        return false;
    saved.signalNumber = signalNumber;
    ++savedCount;
    return true;
}

} // namespace

KelSignalWatcher::KelSignalWatcher(QObject *parent)
    : QObject(parent)
{
}

KelSignalWatcher::~KelSignalWatcher()
{
    uninstall();
}

QList<int> KelSignalWatcher::endingSignals()
{
    return {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
}

bool KelSignalWatcher::install()
{
    if (installed)
        return true;
    bool expected = false;
    if (!watcherInstalled.compare_exchange_strong(expected, true))
        return false;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        watcherInstalled = false;
        return false;
    }
    ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &KelSignalWatcher::readSignals);
    installed = true;
    bool all = true;
    for (const int signalNumber : endingSignals())
        all = setHandler(signalNumber, onSignal) && all;
    all = setHandler(SIGPIPE, SIG_IGN) && all;
    if (!all)
        uninstall();
    return all;
}

void KelSignalWatcher::uninstall()
{
    if (!installed)
        return;
    while (savedCount > 0) {
        --savedCount;
        ::sigaction(savedHandlers[savedCount].signalNumber, &savedHandlers[savedCount].action, nullptr);
    }
    delete notifier;
    notifier = nullptr;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
    installed = false;
    watcherInstalled = false;
}

void KelSignalWatcher::readSignals()
{
    char bytes[16];
    const ssize_t count = ::read(signalSockets[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i)
        emit signalReceived(int(bytes[i]));
}
