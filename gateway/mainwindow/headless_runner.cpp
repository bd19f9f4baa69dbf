#include "mainwindow/headless_runner.h"

#include "callback/text_routines.h"
#include "callback/text_worker.h"
#include "mainwindow/gateway_service.h"
#include "mainwindow/quit_on_signals.h"
#include "platform/access_token.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"
#include "system/log_sink.h"
#include "system/plugin_list.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace gw {

int run_headless(const Options& options, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quit_on_signals(app);
    install_qt_blocking_runner();

    // The sink owns its lock: a worker may hold a copy of it a moment longer.
    auto out_mutex = std::make_shared<std::mutex>();
    set_log_sink([out_mutex](const std::string& local_text) {
        const std::string utf8 = local_to_utf8(local_text);
        std::lock_guard lock(*out_mutex);
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
    // Workers still running may still log; give them a moment to end.
    wait_for_text_workers(kWorkerGrace);
    set_plugin_list_reader(nullptr);
    set_log_sink(nullptr);
    set_blocking_runner(nullptr);
    return code;
}

} // namespace gw
