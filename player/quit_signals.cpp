#include "quit_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <sys/socket.h>
#include <unistd.h>

namespace zrc::player {

namespace {
// A handler may do next to nothing: it writes one byte into a socket that
// the event loop watches, and the rest runs as an ordinary event.
int g_pipe[2] = {-1, -1};

void install(void (*handler)(int)) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        std::perror("ZrcPlayer: cannot watch for SIGINT and SIGTERM");
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);
    install(&QuitSignals::handle);
}

QuitSignals::~QuitSignals() {
    if (m_notifier == nullptr) return;
    install(SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::handle(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
}

void QuitSignals::drain() {
    char byte = 0;
    if (::read(g_pipe[1], &byte, 1) == 1) emit received();
}

}  // namespace zrc::player
