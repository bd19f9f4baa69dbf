#include "system/event_pump_qt.h"

#include "system/event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

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
        std::thread helper([&] {
            work();
            // Queued to the loop's thread, so quit cannot come before exec.
            QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::AllEvents);
        helper.join();
    });
}

} // namespace gw
