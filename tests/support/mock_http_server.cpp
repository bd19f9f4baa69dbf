#include "support/mock_http_server.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace gw::test {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

struct SslCtxFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};

std::unique_ptr<SSL_CTX, SslCtxFree> make_server_context(const TlsIdentity& identity) {
    std::unique_ptr<SSL_CTX, SslCtxFree> ctx(SSL_CTX_new(TLS_server_method()));
    if (!ctx) throw std::runtime_error("SSL_CTX_new failed");
    std::unique_ptr<BIO, BioFree> cert_bio(
        BIO_new_mem_buf(identity.certificate_pem.data(), static_cast<int>(identity.certificate_pem.size())));
    std::unique_ptr<X509, X509Free> cert(PEM_read_bio_X509(cert_bio.get(), nullptr, nullptr, nullptr));
    std::unique_ptr<BIO, BioFree> key_bio(
        BIO_new_mem_buf(identity.private_key_pem.data(), static_cast<int>(identity.private_key_pem.size())));
    std::unique_ptr<EVP_PKEY, PkeyFree> key(PEM_read_bio_PrivateKey(key_bio.get(), nullptr, nullptr, nullptr));
    if (!cert || !key || SSL_CTX_use_certificate(ctx.get(), cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(ctx.get(), key.get()) != 1)
        throw std::runtime_error("cannot load the TLS identity");
    return ctx;
}

// One accepted connection, plain or TLS, on a non-blocking socket. Every
// wait also watches the server's stop pipe.
class Connection {
public:
    Connection(int fd, int stop_fd) : fd_(fd), stop_fd_(stop_fd) {}
    ~Connection() {
        ssl_.reset();
        ::close(fd_);
    }

    bool start_tls(SSL_CTX* ctx) {
        ssl_.reset(SSL_new(ctx));
        if (!ssl_ || SSL_set_fd(ssl_.get(), fd_) != 1) return false;
        for (;;) {
            int r = SSL_accept(ssl_.get());
            if (r == 1) return true;
            if (!wait_for_ssl(r)) {
                ERR_clear_error();
                return false;
            }
        }
    }

    // >0 bytes read, 0 at the end of the stream, -1 on error or stop.
    long read(char* buffer, size_t size, int timeout_ms = -1) {
        for (;;) {
            if (ssl_) {
                int r = SSL_read(ssl_.get(), buffer, static_cast<int>(size));
                if (r > 0) return r;
                int error = SSL_get_error(ssl_.get(), r);
                if (error == SSL_ERROR_ZERO_RETURN) return 0;
                if (!wait_for_ssl(r, timeout_ms)) {
                    ERR_clear_error();
                    return -1;
                }
            } else {
                ssize_t r = ::recv(fd_, buffer, size, 0);
                if (r >= 0) return static_cast<long>(r);
                if (errno == EINTR) continue;
                if ((errno != EAGAIN && errno != EWOULDBLOCK) || !wait(POLLIN, timeout_ms)) return -1;
            }
        }
    }

    bool write_all(std::string_view bytes) {
        while (!bytes.empty()) {
            if (ssl_) {
                int r = SSL_write(ssl_.get(), bytes.data(), static_cast<int>(bytes.size()));
                if (r > 0) {
                    bytes.remove_prefix(static_cast<size_t>(r));
                } else if (!wait_for_ssl(r)) {
                    ERR_clear_error();
                    return false;
                }
            } else {
                ssize_t r = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (r >= 0) {
                    bytes.remove_prefix(static_cast<size_t>(r));
                } else if (errno == EINTR) {
                    continue;
                } else if ((errno != EAGAIN && errno != EWOULDBLOCK) || !wait(POLLOUT)) {
                    return false;
                }
            }
        }
        return true;
    }

    // Ends our side and lets the peer read everything before the socket
    // goes, so that no reset overtakes the response.
    void finish() {
        if (ssl_) SSL_shutdown(ssl_.get());
        ::shutdown(fd_, SHUT_WR);
        char scratch[4096];
        while (read(scratch, sizeof scratch, 2000) > 0) {}
    }

    // Says nothing until the peer goes away or the server stops.
    void hold() {
        char scratch[4096];
        while (read(scratch, sizeof scratch) > 0) {}
    }

private:
    bool wait(short events, int timeout_ms = -1) {
        pollfd fds[2] = {{fd_, events, 0}, {stop_fd_, POLLIN, 0}};
        for (;;) {
            int r = ::poll(fds, 2, timeout_ms);
            if (r < 0 && errno == EINTR) continue;
            return r > 0 && !(fds[1].revents & POLLIN);
        }
    }

    bool wait_for_ssl(int result, int timeout_ms = -1) {
        switch (SSL_get_error(ssl_.get(), result)) {
        case SSL_ERROR_WANT_READ: return wait(POLLIN, timeout_ms);
        case SSL_ERROR_WANT_WRITE: return wait(POLLOUT, timeout_ms);
        default: return false;
        }
    }

    int fd_;
    int stop_fd_;
    std::unique_ptr<SSL, SslFree> ssl_;
};

// Reads one request: the head up to the empty line, then Content-Length
// bytes of body. Nothing when the peer goes first.
std::optional<MockRequest> read_request(Connection& connection) {
    std::string buffer;
    char chunk[4096];
    size_t head_end;
    while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
        long n = connection.read(chunk, sizeof chunk);
        if (n <= 0) return std::nullopt;
        buffer.append(chunk, static_cast<size_t>(n));
    }
    MockRequest request;
    std::string_view head(buffer.data(), head_end);
    size_t line_end = head.find("\r\n");
    request.request_line = std::string(head.substr(0, line_end));
    size_t content_length = 0;
    while (line_end != std::string_view::npos) {
        size_t start = line_end + 2;
        line_end = head.find("\r\n", start);
        std::string_view line = head.substr(start, line_end == std::string_view::npos ? line_end : line_end - start);
        request.header_lines.emplace_back(line);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && same_name(trim(line.substr(0, colon)), "Content-Length"))
            content_length = std::stoul(std::string(trim(line.substr(colon + 1))));
    }
    request.body = buffer.substr(head_end + 4);
    while (request.body.size() < content_length) {
        long n = connection.read(chunk, sizeof chunk);
        if (n <= 0) return std::nullopt;
        request.body.append(chunk, static_cast<size_t>(n));
    }
    request.body.resize(content_length);
    return request;
}

} // namespace

std::string MockRequest::method() const { return request_line.substr(0, request_line.find(' ')); }

std::string MockRequest::target() const {
    size_t start = request_line.find(' ');
    if (start == std::string::npos) return {};
    size_t end = request_line.find(' ', start + 1);
    return request_line.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

std::vector<std::string> MockRequest::header_values(std::string_view name) const {
    std::vector<std::string> values;
    for (const std::string& line : header_lines) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && same_name(trim(std::string_view(line).substr(0, colon)), name))
            values.emplace_back(trim(std::string_view(line).substr(colon + 1)));
    }
    return values;
}

std::string MockRequest::header(std::string_view name) const {
    auto values = header_values(name);
    return values.empty() ? std::string() : values.front();
}

MockReply http_reply(std::string_view status, std::string_view body, const std::vector<std::string>& header_lines) {
    std::string raw = "HTTP/1.1 ";
    raw += status;
    raw += "\r\n";
    for (const std::string& line : header_lines) raw += line + "\r\n";
    raw += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    raw += body;
    return {raw, false};
}

MockReply silent_reply() { return {"", true}; }

MockReply dropped_reply() { return {"", false}; }

struct MockHttpServer::Impl {
    int listen_fd = -1;
    int stop_pipe[2] = {-1, -1};
    uint16_t port = 0;
    std::unique_ptr<SSL_CTX, SslCtxFree> tls;

    mutable std::mutex mutex;
    Handler handler;
    std::vector<MockRequest> requests;
    size_t connections = 0;
    std::vector<std::thread> workers;
    std::thread acceptor;
    bool stopped = false;

    void serve(int fd) {
        Connection connection(fd, stop_pipe[0]);
        if (tls && !connection.start_tls(tls.get())) return;
        std::optional<MockRequest> request = read_request(connection);
        if (!request) return;
        Handler current;
        {
            std::lock_guard lock(mutex);
            requests.push_back(*request);
            current = handler;
        }
        MockReply reply = current ? current(*request) : http_reply("404 Not Found", "");
        if (!reply.raw.empty() && !connection.write_all(reply.raw)) return;
        if (reply.hold_open) connection.hold();
        else connection.finish();
    }

    void accept_loop() {
        pollfd fds[2] = {{listen_fd, POLLIN, 0}, {stop_pipe[0], POLLIN, 0}};
        for (;;) {
            int r = ::poll(fds, 2, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (fds[1].revents & POLLIN)) return;
            int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::lock_guard lock(mutex);
            ++connections;
            workers.emplace_back([this, fd] { serve(fd); });
        }
    }
};

MockHttpServer::MockHttpServer(Handler handler, const TlsIdentity* tls) : impl_(std::make_unique<Impl>()) {
    // A peer that hangs up mid-write must not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
    Impl& s = *impl_;
    s.handler = std::move(handler);
    if (tls) s.tls = make_server_context(*tls);

    s.listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.listen_fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t length = sizeof addr;
    if (::bind(s.listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(s.listen_fd, 16) != 0 ||
        ::getsockname(s.listen_fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        ::pipe2(s.stop_pipe, O_CLOEXEC) != 0) {
        ::close(s.listen_fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    s.port = ntohs(addr.sin_port);
    // The socket listens from here on; the thread only accepts.
    s.acceptor = std::thread([&s] { s.accept_loop(); });
}

MockHttpServer::~MockHttpServer() { stop(); }

void MockHttpServer::stop() {
    Impl& s = *impl_;
    if (s.stopped) return;
    s.stopped = true;
    char byte = 1;
    while (::write(s.stop_pipe[1], &byte, 1) < 0 && errno == EINTR) {}
    if (s.acceptor.joinable()) s.acceptor.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(s.mutex);
        workers.swap(s.workers);
    }
    for (std::thread& worker : workers) worker.join();
    ::close(s.listen_fd);
    ::close(s.stop_pipe[0]);
    ::close(s.stop_pipe[1]);
}

uint16_t MockHttpServer::port() const { return impl_->port; }

std::string MockHttpServer::address() const { return "127.0.0.1:" + std::to_string(impl_->port); }

std::string MockHttpServer::base_url() const { return (impl_->tls ? "https://" : "http://") + address(); }

void MockHttpServer::set_handler(Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

std::vector<MockRequest> MockHttpServer::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

size_t MockHttpServer::connection_count() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->connections;
}

} // namespace gw::test
