#include "support/raw_http.h"

#include <algorithm>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/sha.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gw::test {

Exchange http_exchange(int port, const std::vector<std::string>& pieces, std::chrono::milliseconds wait,
                       std::chrono::milliseconds pause) {
    Exchange result;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return result;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return result;
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && pause.count() > 0) std::this_thread::sleep_for(pause);
        size_t sent = 0;
        while (sent < pieces[i].size()) {
            ssize_t n = ::send(fd, pieces[i].data() + sent, pieces[i].size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
    }
    auto deadline = std::chrono::steady_clock::now() + wait;
    char buf[8192];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            result.closed = true;
            break;
        }
        result.response.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return result;
}

std::string platform_signature(const std::string& token, const std::string& timestamp, const std::string& nonce) {
    std::vector<std::string> parts{nonce, timestamp, token};
    std::sort(parts.begin(), parts.end());
    std::string joined = parts[0] + parts[1] + parts[2];
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(joined.data()), joined.size(), digest);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string signed_query(const std::string& token, const std::string& timestamp, const std::string& nonce) {
    return "signature=" + platform_signature(token, timestamp, nonce) + "&timestamp=" + timestamp + "&nonce=" + nonce;
}

std::string body_of(const std::string& response) {
    size_t blank = response.find("\r\n\r\n");
    return blank == std::string::npos ? response : response.substr(blank + 4);
}

} // namespace gw::test
