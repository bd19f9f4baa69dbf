#include "window_test_support.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "mainwindow/log_view.h"
#include "menu/menu_window.h"
#include "platform/access_token.h"
#include "support/mock_http_server.h"
#include "system/event_pump.h"
#include "system/log_sink.h"
#include "system/plugin_list.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>

namespace gw::test {
namespace {

namespace fs = std::filesystem;

struct ControlCase {
    const char* name;
    int x, y, width, height;
    const char* text;
};

// Every visible control: its name, place and size in the client area, and its text.
const ControlCase kControls[] = {
    {"编辑框1", 8, 32, 520, 400, ""},
    {"标签1", 24, 8, 56, 16, "消息记录"},
    {"标签6", 552, 16, 208, 32, "未认证的公众号只填写Token即可"},
    {"标签2", 544, 56, 48, 24, "Token"},
    {"编辑框2", 592, 56, 88, 24, ""},
    {"按钮2", 688, 56, 80, 24, "菜单定义"},
    {"标签3", 544, 96, 32, 24, "appID"},
    {"编辑框3", 592, 96, 176, 24, ""},
    {"标签4", 536, 136, 56, 24, "appsecret"},
    {"编辑框4", 592, 136, 176, 24, ""},
    {"标签5", 584, 168, 112, 24, "收到关注回复内容"},
    {"编辑框5", 536, 200, 240, 72, ""},
    {"标签7", 592, 288, 112, 24, "搜索失败回复内容"},
    {"编辑框6", 536, 320, 232, 72, ""},
    {"按钮1", 608, 400, 72, 40, "保存配置"},
    {"标签8", 808, 24, 104, 32, "插件功能（测试）"},
    {"列表框1", 792, 64, 144, 280, ""},
    {"按钮3", 824, 360, 88, 24, "刷新"},
    {"标签9", 776, 408, 136, 32, ""},
};

QString shown_text(QWidget* widget) {
    if (auto* l = qobject_cast<QLabel*>(widget)) return l->text();
    if (auto* b = qobject_cast<QPushButton*>(widget)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(widget)) return p->toPlainText();
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items.join(QLatin1Char('\n'));
    }
    return QStringLiteral("<unknown kind>");
}

TEST_F(WindowTest, ControlsStandAtTheirPlacesWithTheirTexts) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tarnwell"));
    EXPECT_EQ(window_->size(), QSize(954, 481));
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* widget = control<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), window_.get());
        EXPECT_EQ(widget->geometry(), QRect(c.x, c.y, c.width, c.height));
        EXPECT_EQ(shown_text(widget), QString::fromUtf8(c.text));
    }
    auto* log = control<QPlainTextEdit>("编辑框1");
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_NE(control<QLineEdit>("编辑框2"), nullptr);
    EXPECT_NE(control<QPlainTextEdit>("编辑框5"), nullptr);
    EXPECT_NE(window_->findChild<QObject*>(QStringLiteral("时钟1")), nullptr);
    EXPECT_NE(window_->findChild<QObject*>(QStringLiteral("服务器1")), nullptr);
}

TEST_F(WindowTest, FirstStartCreatesThePluginDirectoryAndStillRefreshesTheToken) {
    MockHttpServer platform([](const MockRequest&) {
        return http_reply("200 OK", R"({"access_token":"tok-123","expires_in":7200})");
    });
    set_api_base(platform.base_url());

    window_->on_main_window_created();

    EXPECT_TRUE(fs::is_directory(home_ / "plugin"));
    EXPECT_EQ(control<QListWidget>("列表框1")->count(), 0);
    for (const char* name : {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"})
        EXPECT_EQ(shown_text(control<QWidget>(name)), QString()) << name;
    ASSERT_EQ(platform.requests().size(), 1u);
    EXPECT_TRUE(platform.requests()[0].target().starts_with("/cgi-bin/token?grant_type=client_credential&appid="));
    EXPECT_TRUE(log_text().endsWith(QStringLiteral("]\naccess_token成功：tok-123\n\n"))) << log_text().toStdString();
}

TEST_F(WindowTest, TimerTickRefreshesWithItsOwnWording) {
    MockHttpServer platform([](const MockRequest&) {
        return http_reply("200 OK", R"({"access_token":"tok-tick","expires_in":7200})");
    });
    set_api_base(platform.base_url());
    auto* timer = window_->findChild<QTimer*>(QStringLiteral("时钟1"));
    ASSERT_NE(timer, nullptr);
    // One tick, soon.
    timer->setSingleShot(true);
    timer->start(10);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!log_text().contains(QStringLiteral("tok-tick")) && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(platform.requests().size(), 1u);
    EXPECT_TRUE(log_text().endsWith(QStringLiteral("]\naccess_token刷新成功：tok-tick\n\n"))) << log_text().toStdString();
    EXPECT_EQ(read_setting("access_token"), "tok-tick");
}

TEST_F(WindowTest, LoadsTheSavedSettingsIntoTheForm) {
    write_setting("Token", "tok");
    write_setting("appID", "wx01");
    write_setting("appsecret", "s3cret");
    write_setting(local("回复内容"), local("欢迎关注！"));
    write_setting(local("搜索失败回复内容"), local("没有找到"));

    window_->on_main_window_created();

    EXPECT_EQ(control<QLineEdit>("编辑框2")->text(), QStringLiteral("tok"));
    EXPECT_EQ(control<QLineEdit>("编辑框3")->text(), QStringLiteral("wx01"));
    EXPECT_EQ(control<QLineEdit>("编辑框4")->text(), QStringLiteral("s3cret"));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框5")->toPlainText(), QStringLiteral("欢迎关注！"));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框6")->toPlainText(), QStringLiteral("没有找到"));
}

std::set<QString> entries(QListWidget* list) {
    std::set<QString> names;
    for (int i = 0; i < list->count(); ++i) names.insert(list->item(i)->text());
    return names;
}

TEST_F(WindowTest, PluginListShowsDllFilesOnlyAndChangesOnlyOnRefresh) {
    const fs::path plugins = home_ / "plugin";
    fs::create_directories(plugins / "x.dll");
    write_file(plugins / "测试.dll", "");
    write_file(plugins / "second.dll", "");
    write_file(plugins / "notes.txt", "");
    auto* list = control<QListWidget>("列表框1");
    auto* refresh = control<QPushButton>("按钮3");

    window_->on_main_window_created();
    EXPECT_EQ(entries(list), (std::set<QString>{QStringLiteral("测试.dll"), QStringLiteral("second.dll")}));

    // A worker reads the entries in list order, as local text.
    std::vector<std::string> read;
    std::thread worker([&] { read = read_plugin_list(); });
    join_while_serving(worker);
    ASSERT_EQ(read.size(), 2u);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(read[i], utf8_to_local(list->item(i)->text().toStdString()));

    write_file(plugins / "third.dll", "");
    EXPECT_EQ(list->count(), 2);
    refresh->click();
    EXPECT_EQ(entries(list).count(QStringLiteral("third.dll")), 1u);
    EXPECT_EQ(list->count(), 3);

    for (const char* name : {"测试.dll", "second.dll", "third.dll"}) fs::remove(plugins / name);
    refresh->click();
    EXPECT_EQ(list->count(), 0);

    // Refreshing does not create a missing plug-in directory.
    fs::remove_all(plugins);
    refresh->click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(fs::exists(plugins));
}

TEST_F(WindowTest, SaveWritesTheFiveKeysInOrderAndTheNewTokenVerifiesAtOnce) {
    ASSERT_TRUE(window_->start_service(0, nullptr));
    window_->on_main_window_created();
    const quint16 port = window_->service_port();

    control<QLineEdit>("编辑框2")->setText(QStringLiteral("first-token"));
    control<QLineEdit>("编辑框3")->setText(QStringLiteral("wx42"));
    control<QLineEdit>("编辑框4")->setText(QStringLiteral("secret42"));
    control<QPlainTextEdit>("编辑框5")->setPlainText(QStringLiteral("谢谢关注"));
    control<QPlainTextEdit>("编辑框6")->setPlainText(QStringLiteral("未找到"));
    control<QPushButton>("按钮1")->click();

    const std::string file = read_file(home_ / "配置.ini");
    const std::string lines[] = {"Token=first-token", "appID=wx42", "appsecret=secret42", local("回复内容=谢谢关注"),
                                 local("搜索失败回复内容=未找到")};
    size_t previous = 0;
    for (const std::string& line : lines) {
        size_t at = file.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_GE(at, previous) << line;
        previous = at;
    }
    EXPECT_EQ(split_response(send_request(port, verification_request("first-token", "echo1"))).body, "echo1");

    // A changed Token counts from the next request on, without a restart.
    control<QLineEdit>("编辑框2")->setText(QStringLiteral("second-token"));
    control<QPushButton>("按钮1")->click();
    EXPECT_EQ(read_setting("Token"), "second-token");
    EXPECT_EQ(split_response(send_request(port, verification_request("second-token", "echo2"))).body, "echo2");
}

TEST_F(WindowTest, APortInUseLeavesTheWindowWithItsTimer) {
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::Any, 0));
    QString error;
    EXPECT_FALSE(window_->start_service(taken.serverPort(), &error));
    EXPECT_FALSE(error.isEmpty());
    auto* timer = window_->findChild<QTimer*>(QStringLiteral("时钟1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 600000);
}

TEST_F(WindowTest, SavingEmptyBoxesWritesEmptyValues) {
    write_setting("Token", "old");
    write_setting("appID", "old-id");
    window_->on_main_window_created();
    control<QLineEdit>("编辑框2")->clear();
    control<QLineEdit>("编辑框3")->clear();
    control<QPushButton>("按钮1")->click();
    EXPECT_EQ(read_setting("Token"), "");
    EXPECT_EQ(read_setting("appID"), "");
}

TEST_F(WindowTest, MenuWindowIsWindowModalAndClosingItReturnsToTheMainWindow) {
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    control<QPushButton>("按钮2")->click();

    QPointer<QWidget> first = QApplication::activeModalWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(qobject_cast<MenuWindow*>(first.data()), nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("设置自定义菜单"));
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->parentWidget(), window_.get());

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(first.isNull());

    // Every opening makes the window anew.
    control<QPushButton>("按钮2")->click();
    QPointer<QWidget> second = QApplication::activeModalWidget();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(qobject_cast<MenuWindow*>(second.data()), nullptr);
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTest, HooksGoWithTheWindow) {
    window_->on_main_window_created();
    write_file(home_ / "plugin" / "a.dll", "");
    window_->refresh_plugin_list();
    ASSERT_EQ(read_plugin_list().size(), 1u);

    window_.reset();

    EXPECT_TRUE(read_plugin_list().empty());
    std::vector<std::string> from_worker{"not read"};
    std::thread worker([&] {
        append_log("after the window\r\n");
        from_worker = read_plugin_list();
    });
    worker.join();
    EXPECT_TRUE(from_worker.empty());
}

} // namespace
} // namespace gw::test
