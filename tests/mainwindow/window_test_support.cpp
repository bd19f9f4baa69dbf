#include "window_test_support.h"

#include "callback/text_routines.h"
#include "mainwindow/log_view.h"
#include "platform/access_token.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"
#include "system/program_paths.h"

#include <QApplication>
#include <QCryptographicHash>

#include <algorithm>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void send_all(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

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

std::string platform_signature(const std::string& token, const std::string& timestamp, const std::string& nonce) {
    std::vector<std::string> parts{nonce, timestamp, token};
    std::sort(parts.begin(), parts.end());
    std::string joined = parts[0] + parts[1] + parts[2];
    QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(joined), QCryptographicHash::Sha1);
    return digest.toHex().toStdString();
}

std::string verification_request(const std::string& token, const std::string& echostr) {
    const std::string timestamp = "1700000000";
    const std::string nonce = "4815162342";
    // echostr stands before another parameter: its value ends at "&".
    return "GET /wx?signature=" + platform_signature(token, timestamp, nonce) + "&echostr=" + echostr +
           "&timestamp=" + timestamp + "&nonce=" + nonce + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

std::string send_request_blocking(quint16 port, const std::string& request) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    timeval limit{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address = loopback(port);
    std::string received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        send_all(fd, request);
        char buffer[4096];
        for (;;) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            received.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return received;
}

std::string send_request(quint16 port, const std::string& request) {
    std::string received;
    run_blocking([&] { received = send_request_blocking(port, request); });
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

OneShotHttpServer::OneShotHttpServer(std::string body) : body_(std::move(body)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 1) != 0)
        return;
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 30000) != 1) return;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        timeval limit{30, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char buffer[4096];
        while (request_.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request_.append(buffer, static_cast<size_t>(n));
        }
        send_all(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                         std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
        ::close(fd);
    });
}

OneShotHttpServer::~OneShotHttpServer() {
    finish();
    if (listener_ >= 0) ::close(listener_);
}

std::string OneShotHttpServer::finish() {
    if (thread_.joinable()) thread_.join();
    return request_;
}

} // namespace gw::test
