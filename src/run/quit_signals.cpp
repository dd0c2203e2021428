#include "run/quit_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>

namespace {
int signal_pipe[2] = {-1, -1};
// A closed terminal (SIGHUP) ends the program as a request to stop does, saving what it must.
constexpr int quit_signals[] = {SIGINT, SIGTERM, SIGHUP};
}  // namespace

QuitSignals::QuitSignals(std::function<void()> on_quit) : on_quit_(std::move(on_quit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
    notifier_ = new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { read_signal(); });
    struct sigaction action = {};
    action.sa_handler = &QuitSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quit_signals) sigaction(signal, &action, nullptr);
    // A reader of our output that goes away must not end the program: the write fails instead.
    std::signal(SIGPIPE, SIG_IGN);
}

QuitSignals::~QuitSignals() {
    for (int signal : quit_signals) std::signal(signal, SIG_DFL);
    for (int& end : signal_pipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

// Only what is safe in a signal handler: one byte into the pipe.
void QuitSignals::handle(int signal) {
    const char byte = static_cast<char>(signal);
    if (::write(signal_pipe[0], &byte, 1) < 0) _exit(128 + signal);
}

void QuitSignals::read_signal() {
    char byte = 0;
    if (::read(signal_pipe[1], &byte, 1) != 1) return;
    if (quitting_) _exit(128 + byte);
    quitting_ = true;
    if (on_quit_) on_quit_();
}
