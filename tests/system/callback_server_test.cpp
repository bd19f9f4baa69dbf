// The callback server over loopback: framing, limits and the any-thread link.
#include "system/callback_server.h"

#include "support/raw_http.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>

#include <future>
#include <thread>

namespace gw {
namespace {

using namespace std::chrono_literals;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

// Turns the event loop until the client side is done.
template <typename T>
T serve_until(std::future<T> client) {
    while (client.wait_for(5ms) != std::future_status::ready) app().processEvents(QEventLoop::AllEvents, 5);
    return client.get();
}

class ServerTest : public testing::Test {
protected:
    void SetUp() override {
        app();
        server_ = std::make_unique<CallbackServer>();
        server_->on_data_arrived([this](ClientId client, const std::string& bytes) {
            events_.push_back(bytes);
            if (on_event_) on_event_(client, bytes);
        });
    }
    void listen(const CallbackServer::Limits& limits = {}) {
        server_->set_limits(limits);
        ASSERT_TRUE(server_->listen(QHostAddress::LocalHost, 0));
    }
    std::future<test::Exchange> client(std::vector<std::string> pieces, std::chrono::milliseconds wait = 5s,
                                       std::chrono::milliseconds pause = 0ms) {
        int port = server_->port();
        return std::async(std::launch::async, [=] { return test::http_exchange(port, pieces, wait, pause); });
    }
    // Answers each request with its own bytes and closes.
    void echo_and_close() {
        on_event_ = [this](ClientId client, const std::string& bytes) {
            server_->link()->send(client, "echo:" + bytes);
            server_->link()->disconnect(client);
        };
    }

    std::unique_ptr<CallbackServer> server_;
    std::vector<std::string> events_;
    std::function<void(ClientId, const std::string&)> on_event_;
};

const std::string kPost = "POST /x HTTP/1.1\r\nContent-Length: 11\r\n\r\nhello world";

TEST_F(ServerTest, RequestInPiecesArrivesAsOneEvent) {
    listen();
    echo_and_close();
    auto ex = serve_until(client({kPost.substr(0, 10), kPost.substr(10, 30), kPost.substr(40)}, 5s, 100ms));
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0], kPost);
    EXPECT_TRUE(ex.closed);
    EXPECT_EQ(ex.response, "echo:" + kPost);
}

TEST_F(ServerTest, AConnectionCarriesOneRequest) {
    listen();
    const std::string get = "GET /a HTTP/1.1\r\nHost: h\r\n\r\n";
    // Whatever follows the first request, at once or later, is dropped.
    on_event_ = [this](ClientId client, const std::string&) {
        QTimer::singleShot(200, server_.get(), [this, client] { server_->link()->disconnect(client); });
    };
    auto ex = serve_until(client({kPost + get, get + get}, 5s, 50ms));
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0], kPost);
    EXPECT_TRUE(ex.closed);
}

TEST_F(ServerTest, BufferedBytesAreBoundedAcrossConnections) {
    CallbackServer::Limits limits;
    limits.max_buffered = 1000;
    listen(limits);
    const std::string head = "POST / HTTP/1.1\r\nContent-Length: 5000\r\n\r\n";
    // The first connection holds 700 bytes of an unfinished request.
    auto holder = client({head + std::string(700 - head.size(), 'a')}, 1500ms);
    auto until = std::chrono::steady_clock::now() + 3s;
    while (server_->open_connections() < 1 && std::chrono::steady_clock::now() < until) app().processEvents();
    app().processEvents(QEventLoop::AllEvents, 100);
    // A second one pushing the total past the bound is closed.
    auto pusher = serve_until(client({head + std::string(400, 'b')}, 3s));
    EXPECT_TRUE(pusher.closed);
    EXPECT_EQ(pusher.response, "");
    auto held = serve_until(std::move(holder));
    EXPECT_FALSE(held.closed) << "the first connection keeps its place";
    EXPECT_TRUE(events_.empty());
}

TEST_F(ServerTest, HandlerExceptionDoesNotReachTheEventLoop) {
    listen();
    on_event_ = [](ClientId, const std::string&) { throw std::runtime_error("handler failed"); };
    auto first = serve_until(client({kPost}, 300ms));
    EXPECT_EQ(first.response, "");
    echo_and_close();
    auto second = serve_until(client({kPost}));
    EXPECT_EQ(second.response, "echo:" + kPost);
}

TEST_F(ServerTest, OversizedRequestsAreClosedWithoutAnEvent) {
    CallbackServer::Limits limits;
    limits.framing.max_head = 1024;
    limits.framing.max_body = 2048;
    listen(limits);
    const std::string cases[] = {
        std::string(2000, 'a'),                                          // no blank line within the limit
        "POST / HTTP/1.1\r\nContent-Length: 4096\r\n\r\n",               // body over the limit
        "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n",                 // unreadable length
    };
    for (const auto& request : cases) {
        auto ex = serve_until(client({request}, 3s));
        EXPECT_TRUE(ex.closed) << request.substr(0, 60);
        EXPECT_EQ(ex.response, "");
    }
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(server_->open_connections(), 0);
}

TEST_F(ServerTest, ConnectionWithoutResponseIsClosedAfterTheTimeout) {
    CallbackServer::Limits limits;
    limits.response_timeout = 300ms;
    listen(limits);
    // A complete request nobody answers, and an incomplete one.
    for (const std::string& request : {kPost, std::string("GET / HTTP/1.1\r\n")}) {
        auto ex = serve_until(client({request}, 5s));
        EXPECT_TRUE(ex.closed);
        EXPECT_EQ(ex.response, "");
    }
    EXPECT_EQ(server_->open_connections(), 0);
}

TEST_F(ServerTest, ConnectionsBeyondTheBoundAreTurnedAway) {
    CallbackServer::Limits limits;
    limits.max_connections = 2;
    listen(limits);
    // Two idle connections hold the places.
    auto a = client({"GET / HTTP/1.1\r\n"}, 1500ms);
    auto b = client({"GET / HTTP/1.1\r\n"}, 1500ms);
    auto until = std::chrono::steady_clock::now() + 3s;
    while (server_->open_connections() < 2 && std::chrono::steady_clock::now() < until) app().processEvents();
    ASSERT_EQ(server_->open_connections(), 2);
    echo_and_close();
    auto third = serve_until(client({kPost}, 1s));
    EXPECT_TRUE(third.closed);
    EXPECT_EQ(third.response, "");
    serve_until(std::move(a));
    serve_until(std::move(b));
}

TEST_F(ServerTest, WorkersSendAndDisconnectFromTheirOwnThreads) {
    listen();
    std::vector<std::thread> workers;
    on_event_ = [&](ClientId client, const std::string& bytes) {
        auto link = server_->link();
        workers.emplace_back([link, client, bytes] {
            std::this_thread::sleep_for(20ms);
            link->send(client, "part1|");
            link->send(client, bytes.substr(bytes.find("\r\n\r\n") + 4));
            link->disconnect(client);
            link->send(client, "after close");  // the client is gone: nothing happens
        });
    };
    std::vector<std::future<test::Exchange>> clients;
    for (int i = 0; i < 8; ++i) {
        std::string body = "client" + std::to_string(i);
        clients.push_back(
            client({"POST / HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}));
    }
    for (int i = 0; i < 8; ++i) {
        auto ex = serve_until(std::move(clients[i]));
        EXPECT_TRUE(ex.closed);
        EXPECT_EQ(ex.response, "part1|client" + std::to_string(i));
    }
    for (auto& w : workers) w.join();
}

TEST_F(ServerTest, LinkOutlivesTheServer) {
    listen();
    ClientId seen = 0;
    on_event_ = [&](ClientId client, const std::string&) { seen = client; };
    auto pending = client({kPost}, 3s);
    auto until = std::chrono::steady_clock::now() + 3s;
    while (seen == 0 && std::chrono::steady_clock::now() < until) app().processEvents();
    ASSERT_NE(seen, 0u);
    auto link = server_->link();
    server_.reset();  // drops its connections
    link->send(seen, "late");
    link->disconnect(seen);
    app().processEvents();
    auto ex = pending.get();
    EXPECT_TRUE(ex.closed);
    EXPECT_EQ(ex.response, "");
}

} // namespace
} // namespace gw
