#pragma once
// A loopback HTTP/1.1 server for tests. It binds 127.0.0.1 on a free port,
// records every request (line, header lines, body) and answers each with
// the raw bytes a handler scripts, optionally over TLS. It can also stay
// silent, to let a client's time-out run out. Stops and joins its threads
// when destroyed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gw::test {

struct MockRequest {
    std::string request_line;               // "GET /path?q HTTP/1.1"
    std::vector<std::string> header_lines;  // in order, without CR LF
    std::string body;

    std::string method() const;
    std::string target() const;
    // Every value of the header lines with this name (letter case ignored).
    std::vector<std::string> header_values(std::string_view name) const;
    // The first such value, or empty text.
    std::string header(std::string_view name) const;
};

struct MockReply {
    std::string raw;         // written as it is
    bool hold_open = false;  // afterwards keep the connection open, silent
};

// A complete response: "HTTP/1.1 " + status, the given header lines,
// Content-Length and Connection: close, then the body.
MockReply http_reply(std::string_view status, std::string_view body, const std::vector<std::string>& header_lines = {});
// Reads the request and never answers.
MockReply silent_reply();
// Reads the request and closes the connection without a byte.
MockReply dropped_reply();

struct TlsIdentity {
    std::string certificate_pem;
    std::string private_key_pem;
};

class MockHttpServer {
public:
    using Handler = std::function<MockReply(const MockRequest&)>;

    // Without a handler every request gets "404 Not Found". With `tls` the
    // server speaks TLS with that certificate. Throws when it cannot listen.
    explicit MockHttpServer(Handler handler = {}, const TlsIdentity* tls = nullptr);
    ~MockHttpServer();
    MockHttpServer(const MockHttpServer&) = delete;
    MockHttpServer& operator=(const MockHttpServer&) = delete;

    uint16_t port() const;
    // "http://127.0.0.1:PORT", or https with TLS.
    std::string base_url() const;
    // "127.0.0.1:PORT".
    std::string address() const;

    void set_handler(Handler handler);
    std::vector<MockRequest> requests() const;
    // Connections accepted so far, including those that sent no request.
    size_t connection_count() const;

    // Closes every connection and joins every thread; idempotent.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace gw::test
