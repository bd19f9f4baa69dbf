#include "mainwindow/headless_runner.h"

#include "callback/text_routines.h"
#include "mainwindow/gateway_service.h"
#include "platform/access_token.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"
#include "system/log_sink.h"
#include "system/plugin_list.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace gw {
namespace {

int g_signal_pipe[2] = {-1, -1};

void on_signal(int) {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(g_signal_pipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so the program ends as a closed
// window would.
void quit_on_signals(QCoreApplication& app) {
    if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int run_headless(const Options& options, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quit_on_signals(app);
    install_qt_blocking_runner();

    std::mutex out_mutex;
    set_log_sink([&out_mutex](const std::string& local_text) {
        const std::string utf8 = local_to_utf8(local_text);
        std::lock_guard lock(out_mutex);
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
        std::fflush(stdout);
    });

    // The list is read once at start, as the window fills its list at creation.
    const std::vector<std::string> plugins = scan_plugin_directory(plugin_directory());
    ensure_plugin_directory();
    set_plugin_list_reader([plugins] { return plugins; });

    int code = 0;
    {
        GatewayService service;
        QString error;
        if (!service.start(options.port, &error)) {
            std::fprintf(stderr, "gateway: cannot listen on port %d: %s\n", options.port, error.toLocal8Bit().constData());
            code = 1;
        } else {
            std::fprintf(stderr, "listening on port %u\n", static_cast<unsigned>(service.port()));
            std::fflush(stderr);
            QTimer::singleShot(0, &app, [] { refresh_access_token(startup_wording()); });
            code = app.exec();
        }
    }
    set_plugin_list_reader(nullptr);
    set_log_sink(nullptr);
    set_blocking_runner(nullptr);
    return code;
}

} // namespace gw
