#include "system/http_framing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using gw::Framing;
using State = gw::Framing::State;

constexpr gw::FramingLimits kSmall{64, 16};

const char* name_of(State state) {
    switch (state) {
    case State::incomplete: return "incomplete";
    case State::complete: return "complete";
    case State::too_large: return "too_large";
    }
    return "?";
}

const std::string kGet = "GET /?a=1 HTTP/1.1\r\nHost: x\r\n\r\n";  // 31 bytes
const std::string kPostHead = "POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\n";

std::string post_with_length(const std::string& value) {
    return "POST / HTTP/1.1\r\nContent-Length: " + value + "\r\n\r\n";
}

// A head of exactly `size` bytes, blank line included.
std::string head_of(size_t size) {
    std::string head = "GET / HTTP/1.1\r\nX: ";
    head += std::string(size - head.size() - 4, 'a');
    return head + "\r\n\r\n";
}

TEST(HttpFraming, Cases) {
    struct Case {
        const char* name;
        std::string received;
        State state;
        size_t length;  // when complete
    };
    const Case cases[] = {
        {"nothing yet", "", State::incomplete, 0},
        {"head without blank line", "GET / HTTP/1.1\r\nHost: x\r\n", State::incomplete, 0},
        {"blank line half there", "GET / HTTP/1.1\r\nHost: x\r\n\r", State::incomplete, 0},
        {"GET complete at the blank line", kGet, State::complete, kGet.size()},
        {"POST without its body", kPostHead, State::incomplete, 0},
        {"POST with part of its body", kPostHead + "1234", State::incomplete, 0},
        {"POST with all its body", kPostHead + "12345", State::complete, kPostHead.size() + 5},
        {"header name in any case", "POST / HTTP/1.1\r\ncontent-LENGTH:5\r\n\r\n12345", State::complete,
         kPostHead.size() + 4},
        {"blanks around the value", "POST / HTTP/1.1\r\nContent-Length: \t5 \r\n\r\n12345", State::complete,
         kPostHead.size() + 7},
        {"zero length", post_with_length("0"), State::complete, post_with_length("0").size()},
        {"same length twice", "POST / HTTP/1.1\r\nContent-Length: 5\r\ncontent-length: 5\r\n\r\n12345",
         State::complete, kPostHead.size() + 19 + 5},
        {"name in the request line is no header", "GET /Content-Length:5 HTTP/1.1\r\n\r\n", State::complete, 34},
        {"other header ending in the name", "GET / HTTP/1.1\r\nX-Content-Length: 5\r\n\r\n", State::complete, 39},
        {"two requests back to back", kGet + kGet, State::complete, kGet.size()},
        {"POST then GET", kPostHead + "12345" + kGet, State::complete, kPostHead.size() + 5},
        {"head at the limit", head_of(64), State::complete, 64},
        {"head over the limit", head_of(65), State::too_large, 0},
        {"no blank line, one byte short of the limit", head_of(64).substr(0, 63), State::incomplete, 0},
        {"no blank line at the limit", std::string(64, 'a'), State::too_large, 0},
        {"body at the limit", post_with_length("16"), State::incomplete, 0},
        {"body over the limit", post_with_length("17"), State::too_large, 0},
        {"huge length", post_with_length("999999999999"), State::too_large, 0},
        {"length not a number", post_with_length("abc"), State::too_large, 0},
        {"negative length", post_with_length("-1"), State::too_large, 0},
        {"length with a sign", post_with_length("+5"), State::too_large, 0},
        {"two numbers", post_with_length("5 5"), State::too_large, 0},
        {"empty length", post_with_length(""), State::too_large, 0},
        {"hex length", post_with_length("0x5"), State::too_large, 0},
        {"too many digits", post_with_length("99999999999999999999999"), State::too_large, 0},
        {"conflicting lengths", "POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n123456",
         State::too_large, 0},
        {"chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         State::too_large, 0},
        {"transfer encoding beside a length", "POST / HTTP/1.1\r\nContent-Length: 5\r\ntransfer-encoding: x\r\n\r\n12345",
         State::too_large, 0},
    };
    for (const auto& c : cases) {
        Framing f = gw::frame_http_request(c.received, kSmall);
        EXPECT_STREQ(name_of(f.state), name_of(c.state)) << c.name;
        if (c.state == State::complete) {
            EXPECT_EQ(f.length, c.length) << c.name;
        }
    }
}

TEST(HttpFraming, DefaultLimitsTakeAPlatformMessage) {
    const std::string body(2000, 'x');
    const std::string request = "POST /?signature=s&timestamp=1&nonce=2 HTTP/1.1\r\nHost: a\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    Framing f = gw::frame_http_request(request);
    EXPECT_STREQ(name_of(f.state), "complete");
    EXPECT_EQ(f.length, request.size());
    EXPECT_STREQ(name_of(gw::frame_http_request(request.substr(0, request.size() - 1)).state), "incomplete");
}

// Bytes arriving one at a time, each call resuming where the last one left
// off, end in the same result as one call over everything.
TEST(HttpFraming, ResumingGivesTheSameResult) {
    const std::string requests[] = {kGet, kPostHead + "12345", kPostHead + "12345" + kGet,
                                    "GET / HTTP/1.1\r\nX: \r\r\n\r\n"};
    for (const auto& request : requests) {
        Framing whole = gw::frame_http_request(request, kSmall);
        Framing last{State::incomplete, 0, 0};
        size_t fed = 0;
        while (fed < request.size() && last.state == State::incomplete) {
            ++fed;
            last = gw::frame_http_request(std::string_view(request).substr(0, fed), kSmall, last.resume_at);
        }
        EXPECT_STREQ(name_of(last.state), name_of(whole.state)) << request;
        EXPECT_EQ(last.length, whole.length) << request;
    }
}

} // namespace
