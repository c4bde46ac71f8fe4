#include "signalwatcher.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int signo)
{
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[0], &byte, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0)
        return;
    notifier = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);

    struct sigaction sa {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signo, &sa, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signo, SIG_DFL);
}

void SignalWatcher::drain()
{
    char byte = 0;
    while (::read(pipeFds[1], &byte, 1) == 1)
        Q_EMIT received(int(static_cast<unsigned char>(byte)));
}
