#pragma once
// The main window "Tarnwell": the message log, the account settings form,
// the plug-in list and the button that opens the menu editor, with the
// callback server 服务器1 and the timer 时钟1 inside it. The window only
// wires controls to the operations below; tests call them directly.
#include "mainwindow/gui_thread_call.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace gw {

class GatewayService;
class LogView;
class MenuWindow;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts 服务器1 on `port` (0: any free port) and 时钟1. When the port
    // cannot be had the timer still runs and the reason is in `error`.
    bool start_service(int port, QString* error);
    quint16 service_port() const;
    GatewayService* service() const { return service_; }

    // Fills the plug-in list, creates the plug-in directory when missing,
    // loads the settings into the form, then refreshes the access token.
    void on_main_window_created();
    // Writes the five settings from the form, in the form's order.
    void save_settings();
    // Empties the plug-in list and fills it again from the plug-in directory.
    void refresh_plugin_list();
    // Opens window 2, window-modal; a new one at every call.
    void open_menu_window();

    LogView* log_view() const { return log_; }
    QListWidget* plugin_list() const { return plugins_; }

private:
    void build_controls();
    void fill_plugin_list();
    void install_hooks();

    LogView* log_ = nullptr;
    QLineEdit* token_ = nullptr;
    QLineEdit* app_id_ = nullptr;
    QLineEdit* app_secret_ = nullptr;
    QPlainTextEdit* reply_ = nullptr;
    QPlainTextEdit* search_failed_reply_ = nullptr;
    QListWidget* plugins_ = nullptr;
    GatewayService* service_ = nullptr;
    QPointer<MenuWindow> menu_window_;
    GuiThreadCall gui_;
};

} // namespace gw
