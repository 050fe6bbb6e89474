#include "Shutdown.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_Pipe[2] = {-1, -1};

void OnSignal(int number)
{
    const char byte = char(number);
    // Only async-signal-safe work here: one byte into the pipe.
    [[maybe_unused]] const ssize_t written = ::write(g_Pipe[1], &byte, 1);
}

} // namespace

Shutdown::Shutdown(QObject *parent) : QObject(parent)
{
    if (g_Pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_Pipe) != 0)
        return;
    ::fcntl(g_Pipe[1], F_SETFL, O_NONBLOCK);
    m_Notifier = new QSocketNotifier(g_Pipe[0], QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_Pipe[0], &byte, 1) == 1)
            emit Requested(int(byte));
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

Shutdown::~Shutdown()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}
