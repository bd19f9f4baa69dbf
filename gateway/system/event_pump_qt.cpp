#include "system/event_pump_qt.h"

#include "system/event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <thread>

namespace gw {

void install_qt_blocking_runner() {
    set_blocking_runner([](const std::function<void()>& work) {
        auto* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() != app->thread()) {
            work();
            return;
        }
        QEventLoop loop;
        std::atomic<bool> done{false};
        std::thread helper([&] {
            work();
            done = true;
            // Queued to the loop's thread, so quit cannot come before exec.
            QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::AllEvents);
        // The loop ended early only when the application is quitting.
        if (!done) abandon_blocking_work();
        helper.join();
    });
}

} // namespace gw
