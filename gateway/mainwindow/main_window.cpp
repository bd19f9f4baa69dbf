#include "mainwindow/main_window.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "mainwindow/gateway_service.h"
#include "mainwindow/log_view.h"
#include "menu/menu_window.h"
#include "platform/access_token.h"
#include "system/log_sink.h"
#include "system/plugin_list.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace gw {
namespace {

QString from_local(const std::string& local_text) { return QString::fromUtf8(local_to_utf8(local_text)); }

std::string to_local(const QString& text) { return utf8_to_local(text.toUtf8().toStdString()); }

template <class Widget>
Widget* place(Widget* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const char* text, int x, int y, int width, int height) {
    auto* l = place(new QLabel(QString::fromUtf8(text), parent), name, x, y, width, height);
    // Labels two lines high may wrap, as their captions need on narrow fonts.
    l->setWordWrap(height >= 32);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const char* text, int x, int y, int width, int height) {
    return place(new QPushButton(QString::fromUtf8(text), parent), name, x, y, width, height);
}

QPlainTextEdit* multi_line_box(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* box = place(new QPlainTextEdit(parent), name, x, y, width, height);
    box->setTabChangesFocus(true);
    return box;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("窗口1"));
    setWindowTitle(QStringLiteral("Tarnwell"));
    // Places and sizes are those of the client area; the controls stand at
    // fixed places, so the window keeps its size.
    setFixedSize(954, 481);
    move(50, 50);
    build_controls();
    service_ = new GatewayService(this);
    install_hooks();
}

MainWindow::~MainWindow() {
    // Before any control goes: from here on workers find no host.
    set_plugin_list_reader(nullptr);
    set_log_sink(nullptr);
}

void MainWindow::build_controls() {
    log_ = place(new LogView(this), "编辑框1", 8, 32, 520, 400);
    label(this, "标签1", "消息记录", 24, 8, 56, 16);
    label(this, "标签6", "未认证的公众号只填写Token即可", 552, 16, 208, 32);
    label(this, "标签2", "Token", 544, 56, 48, 24);
    token_ = place(new QLineEdit(this), "编辑框2", 592, 56, 88, 24);
    auto* menu_button = button(this, "按钮2", "菜单定义", 688, 56, 80, 24);
    label(this, "标签3", "appID", 544, 96, 32, 24);
    app_id_ = place(new QLineEdit(this), "编辑框3", 592, 96, 176, 24);
    label(this, "标签4", "appsecret", 536, 136, 56, 24);
    app_secret_ = place(new QLineEdit(this), "编辑框4", 592, 136, 176, 24);
    label(this, "标签5", "收到关注回复内容", 584, 168, 112, 24);
    reply_ = multi_line_box(this, "编辑框5", 536, 200, 240, 72);
    label(this, "标签7", "搜索失败回复内容", 592, 288, 112, 24);
    search_failed_reply_ = multi_line_box(this, "编辑框6", 536, 320, 232, 72);
    auto* save_button = button(this, "按钮1", "保存配置", 608, 400, 72, 40);
    label(this, "标签8", "插件功能（测试）", 808, 24, 104, 32);
    plugins_ = place(new QListWidget(this), "列表框1", 792, 64, 144, 280);
    auto* refresh_button = button(this, "按钮3", "刷新", 824, 360, 88, 24);
    label(this, "标签9", "", 776, 408, 136, 32);

    connect(save_button, &QPushButton::clicked, this, &MainWindow::save_settings);
    connect(refresh_button, &QPushButton::clicked, this, &MainWindow::refresh_plugin_list);
    connect(menu_button, &QPushButton::clicked, this, &MainWindow::open_menu_window);
}

void MainWindow::install_hooks() {
    // The widgets are reached only on the GUI thread, where they also die;
    // a call that arrives after the window has gone finds nothing.
    QPointer<LogView> log = log_;
    set_log_sink([gui = gui_, log](const std::string& local_text) {
        // Converted on the caller's thread; only the widget work crosses.
        const QString text = from_local(local_text);
        gui.run([&] {
            // A text the view cannot take (no memory for a huge one) is
            // lost; the caller goes on as if it were shown.
            try {
                if (log) log->append_text(text);
            } catch (...) {
            }
        });
    });
    QPointer<QListWidget> list = plugins_;
    set_plugin_list_reader([gui = gui_, list] {
        std::vector<std::string> names;
        gui.run([&] {
            if (!list) return;
            // A list that cannot be read reads as empty: the message is
            // then answered as when no plug-in replies.
            try {
                for (int i = 0; i < list->count(); ++i) names.push_back(to_local(list->item(i)->text()));
            } catch (...) {
                names.clear();
            }
        });
        return names;
    });
}

bool MainWindow::start_service(int port, QString* error) {
    if (service_->start(port, error)) return true;
    // The token is kept fresh for the menu editor even without a server.
    service_->timer()->start();
    return false;
}

quint16 MainWindow::service_port() const { return service_->port(); }

void MainWindow::fill_plugin_list() {
    for (const std::string& name : scan_plugin_directory(plugin_directory())) plugins_->addItem(from_local(name));
}

void MainWindow::on_main_window_created() {
    fill_plugin_list();
    // After the scan: on a first start the list stays empty.
    ensure_plugin_directory();
    token_->setText(from_local(read_setting("Token")));
    app_id_->setText(from_local(read_setting("appID")));
    app_secret_->setText(from_local(read_setting("appsecret")));
    reply_->setPlainText(from_local(read_setting(to_local(QStringLiteral("回复内容")))));
    search_failed_reply_->setPlainText(from_local(read_setting(to_local(QStringLiteral("搜索失败回复内容")))));
    refresh_access_token(startup_wording());
}

void MainWindow::save_settings() {
    write_setting("Token", to_local(token_->text()));
    write_setting("appID", to_local(app_id_->text()));
    write_setting("appsecret", to_local(app_secret_->text()));
    write_setting(to_local(QStringLiteral("回复内容")), to_local(reply_->toPlainText()));
    write_setting(to_local(QStringLiteral("搜索失败回复内容")), to_local(search_failed_reply_->toPlainText()));
}

void MainWindow::refresh_plugin_list() {
    plugins_->clear();
    fill_plugin_list();
}

void MainWindow::open_menu_window() {
    // Window-modal: the main window takes no input while it is open.
    if (menu_window_) {
        menu_window_->raise();
        menu_window_->activateWindow();
        return;
    }
    auto* window = new MenuWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    menu_window_ = window;
    window->open();
}

} // namespace gw
