#include "window_test_support.h"

#include "callback/text_routines.h"
#include "mainwindow/log_view.h"
#include "platform/access_token.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"
#include "system/program_paths.h"

#include <QApplication>

#include <memory>

namespace gw::test {
namespace {

// One QApplication for the whole run, offscreen unless told otherwise.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        install_qt_blocking_runner();
    }
    void TearDown() override {
        set_blocking_runner(nullptr);
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "test_mainwindow";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

void WindowTest::SetUp() {
    set_program_directory(home_.path());
    // Nothing listens there: the token refresh fails at once.
    set_api_base("http://127.0.0.1:1");
    window_ = std::make_unique<MainWindow>();
    window_->show();
}

void WindowTest::TearDown() { window_.reset(); }

QString WindowTest::log_text() const { return window_->log_view()->toPlainText(); }

std::string local(const char* utf8) { return utf8_to_local(utf8); }

std::string verification_request(const std::string& token, const std::string& echostr) {
    const std::string timestamp = "1700000000";
    const std::string nonce = "4815162342";
    // echostr stands before another parameter: its value ends at "&".
    return "GET /wx?signature=" + platform_signature(token, timestamp, nonce) + "&echostr=" + echostr +
           "&timestamp=" + timestamp + "&nonce=" + nonce + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

std::string send_request(quint16 port, const std::string& request) {
    std::string received;
    run_blocking([&] { received = http_exchange(port, request).response; });
    return received;
}

void join_while_serving(std::thread& thread) {
    run_blocking([&] { thread.join(); });
}

Response split_response(const std::string& bytes) {
    Response response;
    size_t date = bytes.find("Date: ");
    size_t blank = bytes.find("\r\n\r\n");
    if (date == std::string::npos || blank == std::string::npos) return response;
    response.before_date = bytes.substr(0, date + 6);
    response.body = bytes.substr(blank + 4);
    return response;
}

} // namespace gw::test
