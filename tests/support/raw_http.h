#pragma once
// Speaks raw HTTP to a loopback port, as the platform does: one request per
// connection, the answer read until the server closes.
#include <chrono>
#include <string>
#include <vector>

namespace gw::test {

struct Exchange {
    std::string response;  // every byte received
    bool closed = false;   // the server closed the connection
};

// Sends the pieces one after another with `pause` between them, then reads
// until the server closes or `wait` passes without it.
Exchange http_exchange(int port, const std::vector<std::string>& pieces,
                       std::chrono::milliseconds wait = std::chrono::seconds(10),
                       std::chrono::milliseconds pause = std::chrono::milliseconds(0));
inline Exchange http_exchange(int port, const std::string& request,
                              std::chrono::milliseconds wait = std::chrono::seconds(10)) {
    return http_exchange(port, std::vector<std::string>{request}, wait);
}

// The platform's signature: SHA-1 hex of nonce, timestamp and token sorted
// in ascending byte order and joined.
std::string platform_signature(const std::string& token, const std::string& timestamp, const std::string& nonce);

// "signature=...&timestamp=...&nonce=..." for the token.
std::string signed_query(const std::string& token, const std::string& timestamp = "1514160000",
                         const std::string& nonce = "1234567890");

// The body of a response (after the blank line), or the whole text when it
// has none.
std::string body_of(const std::string& response);

} // namespace gw::test
