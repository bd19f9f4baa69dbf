#include "mainwindow/quit_on_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace gw {

#ifdef _WIN32
void quit_on_signals(QCoreApplication&) {}
#else
namespace {

int g_signal_pipe[2] = {-1, -1};

// Only a write is safe in a signal handler; the event loop reads the pipe.
void on_signal(int) {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(g_signal_pipe[1], &byte, 1);
}

} // namespace

void quit_on_signals(QCoreApplication& app) {
    if (g_signal_pipe[0] < 0 && ::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}
#endif

} // namespace gw
