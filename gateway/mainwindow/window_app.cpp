#include "mainwindow/window_app.h"

#include "callback/text_worker.h"
#include "mainwindow/headless_runner.h"
#include "mainwindow/main_window.h"
#include "mainwindow/quit_on_signals.h"
#include "menu/menu_data.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"

#include <QApplication>
#include <QFont>
#include <QTimer>

#include <cstdio>

namespace gw {
namespace {

// The places and sizes of the controls are pixels laid out for a 12-pixel
// font (9 points on a 96-dpi screen), so the font size is fixed in pixels.
// The Chinese fonts come first so that captions never fall back to boxes
// on a machine whose default font has no Chinese glyphs.
void use_program_font(QApplication& app) {
    QFont font = app.font();
    const QString fallback = font.family();
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), fallback});
    font.setPixelSize(12);
    app.setFont(font);
}

} // namespace

int run_window(const Options& options, int argc, char** argv) {
    QApplication app(argc, argv);
    quit_on_signals(app);
    use_program_font(app);
    install_qt_blocking_runner();

    int code = 0;
    {
        // Lives from before the main window until after it has gone.
        MenuDataScope menu_data;
        MainWindow window;
        window.show();
        // Inside the event loop, so that closing the window during the first
        // token refresh ends the program as it should.
        QTimer::singleShot(0, &window, [&window, port = options.port] {
            QString error;
            if (!window.start_service(port, &error)) {
                std::fprintf(stderr, "gateway: cannot listen on port %d: %s\n", port, error.toLocal8Bit().constData());
                std::fflush(stderr);
            }
            window.on_main_window_created();
        });
        code = app.exec();
    }
    // The window has taken its hooks away; workers still running end
    // without it.
    wait_for_text_workers(kWorkerGrace);
    set_blocking_runner(nullptr);
    return code;
}

} // namespace gw
