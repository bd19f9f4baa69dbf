// http_request against loopback servers: what goes on the wire, what comes
// back in each output, and how each failure is reported.
#include "platform/http_client.h"

#include "callback/text_routines.h"
#include "scoped_env.h"
#include "support/mock_http_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <ostream>

namespace {

using gw::test::dropped_reply;
using gw::test::http_reply;
using gw::test::MockHttpServer;
using gw::test::MockReply;
using gw::test::MockRequest;
using gw::test::ScopedEnv;
using gw::test::silent_reply;
using namespace std::string_literals;

std::string local(std::string_view utf8) { return gw::utf8_to_local(utf8); }

// Failure messages name the case instead of dumping its bytes.
template <typename Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

MockHttpServer::Handler always(MockReply reply) {
    return [reply](const MockRequest&) { return reply; };
}

// The arguments of one call; the outputs are taken separately.
struct Call {
    std::string url = {};
    int method = 0;
    std::string post_data = {};
    std::string* cookies = nullptr;
    std::string extra_headers = {};
    bool disable_redirects = false;
    std::string user_name = {};
    std::string password = {};
    std::string proxy = {};
    std::string proxy_user_name = {};
    std::string proxy_password = {};
    int timeout_seconds = 2;
    bool merge_received = true;
};

// Every output, primed with a marker so that a test sees which ones the
// call wrote. received_cookies starts empty, as callers pass it.
struct Outputs {
    static constexpr const char* kUntouched = "(untouched)";
    std::string received_cookies;
    std::string response_headers = kUntouched;
    std::string location = kUntouched;
    std::string status_text = kUntouched;
    std::string response_bytes = kUntouched;
};

std::string run(const Call& c, Outputs& out) {
    return gw::http_request(c.url, c.method, c.post_data, c.cookies, &out.received_cookies, c.extra_headers,
                            &out.response_headers, c.disable_redirects, c.user_name, c.password, c.proxy,
                            c.proxy_user_name, c.proxy_password, c.timeout_seconds, &out.location,
                            &out.status_text, &out.response_bytes, c.merge_received);
}

std::vector<std::string> lines_without_host(const MockRequest& request) {
    std::vector<std::string> lines;
    for (const std::string& line : request.header_lines)
        if (!line.starts_with("Host:")) lines.push_back(line);
    return lines;
}

// A loopback port with nobody listening on it.
uint16_t closed_port() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(fd);
    return ntohs(addr.sin_port);
}

const std::string kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kAcceptEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kAcceptLanguage = "Accept-Language: zh-cn";
const std::string kContentType = "Content-Type: application/x-www-form-urlencoded";
const std::string kCacheControl = "Cache-Control: no-cache";
const std::vector<std::string> kDefaultLines = {kUserAgent,      kAccept,     kAcceptEncoding,
                                                kAcceptLanguage, kContentType, kCacheControl};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---------------------------------------------------------------- methods

struct MethodCase {
    const char* name;
    int method;
    std::string post_data;
    std::string verb;
    std::string body_sent;
    std::string result;
};

class HttpRequestMethod : public testing::TestWithParam<MethodCase> {};

TEST_P(HttpRequestMethod, SendsTheVerbAndTheBody) {
    const MethodCase& c = GetParam();
    MockHttpServer server(always(http_reply("200 OK", "done")));
    Outputs out;
    std::string result = run({.url = server.base_url() + "/m", .method = c.method, .post_data = c.post_data}, out);

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, c.verb + " /m HTTP/1.1");
    EXPECT_EQ(requests[0].body, c.body_sent);
    if (!c.body_sent.empty() || c.verb == "POST" || c.verb == "PUT") {
        EXPECT_EQ(requests[0].header("Content-Length"), std::to_string(c.body_sent.size()));
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(out.status_text, "200 OK");
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestMethod,
    testing::Values(MethodCase{"zero_is_get", 0, "", "GET", "", "done"},
                    MethodCase{"seven_is_get", 7, "", "GET", "", "done"},
                    MethodCase{"minus_one_is_get", -1, "", "GET", "", "done"},
                    MethodCase{"post_sends_local_bytes", 1, local("a=1&b=中文"), "POST", local("a=1&b=中文"), "done"},
                    MethodCase{"post_without_body", 1, "", "POST", "", "done"},
                    MethodCase{"head_reads_no_body", 2, "", "HEAD", "", ""},
                    MethodCase{"put_sends_body", 3, "x=1", "PUT", "x=1", "done"},
                    MethodCase{"get_sends_a_given_body_too", 0, "q=1", "GET", "q=1", "done"}),
    [](const testing::TestParamInfo<MethodCase>& info) { return std::string(info.param.name); });

TEST(HttpRequest, PostDataEndsAtItsNul) {
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    run({.url = server.base_url() + "/", .method = 1, .post_data = "ab\0cd"s}, out);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].body, "ab");
}

// ---------------------------------------------------------------- target

struct TargetCase {
    const char* name;
    std::string url_rest;
    std::string target;
};

class HttpRequestTarget : public testing::TestWithParam<TargetCase> {};

// Escapes differ only in the letter case of their hex digits.
std::string upper_escapes(std::string target) {
    for (size_t i = target.find('%'); i != std::string::npos && i + 2 < target.size(); i = target.find('%', i + 1))
        for (size_t j = i + 1; j <= i + 2; ++j)
            if (target[j] >= 'a' && target[j] <= 'f') target[j] = static_cast<char>(target[j] - 'a' + 'A');
    return target;
}

TEST_P(HttpRequestTarget, RequestsPathAndQuery) {
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    run({.url = server.base_url() + GetParam().url_rest}, out);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(upper_escapes(server.requests()[0].target()), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpRequestTarget,
                         testing::Values(TargetCase{"nothing_after_host", "", "/"},
                                         TargetCase{"path_and_query", "/a/b?x=1&y=2", "/a/b?x=1&y=2"},
                                         TargetCase{"spaces_escaped", "/a b?c d", "/a%20b?c%20d"},
                                         TargetCase{"local_text_escaped_as_utf8", local("/中?q=中"),
                                                    "/%E4%B8%AD?q=%E4%B8%AD"}),
                         [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- header lines

struct HeaderCase {
    const char* name;
    std::string extra_headers;
    std::optional<std::string> cookies;
    std::vector<std::string> lines;  // every line but Host, in order
};

class HttpRequestHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(HttpRequestHeaders, SendsTheCallersLinesThenTheMissingDefaults) {
    const HeaderCase& c = GetParam();
    MockHttpServer server(always(http_reply("200 OK", "")));
    std::optional<std::string> cookies = c.cookies;
    Outputs out;
    run({.url = server.base_url() + "/", .cookies = cookies ? &*cookies : nullptr, .extra_headers = c.extra_headers},
        out);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header_values("Host"), std::vector<std::string>{server.address()});
    EXPECT_EQ(lines_without_host(requests[0]), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestHeaders,
    testing::Values(
        HeaderCase{"six_defaults", "", std::nullopt, kDefaultLines},
        HeaderCase{"cookie_line_is_the_seventh", "", "a=1; k=3", concat(kDefaultLines, {"Cookie: a=1; k=3"})},
        HeaderCase{"empty_cookies_give_no_cookie_line", "", "", kDefaultLines},
        HeaderCase{"caller_lines_come_first", "X-Trace: 7\r\nX-Other: 8",
                   std::nullopt, concat({"X-Trace: 7", "X-Other: 8"}, kDefaultLines)},
        HeaderCase{"lower_case_accept_encoding_suppresses_the_default", "accept-encoding: identity", std::nullopt,
                   {"accept-encoding: identity", kUserAgent, kAccept, kAcceptLanguage, kContentType, kCacheControl}},
        HeaderCase{"lower_case_content_type_does_not", "content-type: text/plain", std::nullopt,
                   concat({"content-type: text/plain"}, kDefaultLines)},
        HeaderCase{"callers_user_agent_replaces_the_default", "User-Agent: probe", std::nullopt,
                   {"User-Agent: probe", kAccept, kAcceptEncoding, kAcceptLanguage, kContentType, kCacheControl}},
        HeaderCase{"callers_cookie_line_wins", "cookie: z=9", "a=1", concat({"cookie: z=9"}, kDefaultLines)},
        // The search runs over the whole text; the transport adds no
        // Accept line of its own either.
        HeaderCase{"search_finds_text_inside_a_line", "X-Note: Accept: all", std::nullopt,
                   {"X-Note: Accept: all", kUserAgent, kAcceptEncoding, kAcceptLanguage, kContentType,
                    kCacheControl}}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(HttpRequest, PostCarriesOnlyTheChosenContentType) {
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    run({.url = server.base_url() + "/", .method = 1, .post_data = "a=1", .extra_headers = "Content-Type: text/xml"},
        out);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].header_values("Content-Type"), std::vector<std::string>{"text/xml"});
    EXPECT_TRUE(server.requests()[0].header_values("Expect").empty());
}

TEST(HttpRequest, HeaderLineWithoutColonFailsWith710) {
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/", .extra_headers = "NoColonHere"}, out), "");
    EXPECT_EQ(out.status_text, local("710 设置协议头失败!"));
    EXPECT_EQ(server.connection_count(), 0u);
}

// ---------------------------------------------------------------- credentials

struct CredentialCase {
    const char* name;
    std::string user;
    std::string password;
    std::vector<std::string> authorization;
    std::string url_user_info = {};
};

class HttpRequestCredentials : public testing::TestWithParam<CredentialCase> {};

TEST_P(HttpRequestCredentials, SendsBasicCredentialsOnlyWhenBothAreGiven) {
    const CredentialCase& c = GetParam();
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    run({.url = "http://" + c.url_user_info + server.address() + "/", .user_name = c.user, .password = c.password},
        out);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].header_values("Authorization"), c.authorization);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestCredentials,
    testing::Values(CredentialCase{"both", "user", "pass", {"Basic dXNlcjpwYXNz"}},
                    CredentialCase{"user_only", "user", "", {}}, CredentialCase{"password_only", "", "pass", {}},
                    // User info inside the URL is no credential.
                    CredentialCase{"from_url_ignored", "", "", {}, "url:secret@"}),
    [](const testing::TestParamInfo<CredentialCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- proxy

TEST(HttpRequestProxy, PlainUrlGoesToTheProxyInAbsoluteForm) {
    MockHttpServer proxy(always(http_reply("200 OK", "via proxy")));
    Outputs out;
    std::string result = run({.url = "http://gateway-test.invalid/path?x=1",
                              .proxy = proxy.address(),
                              .proxy_user_name = "pu",
                              .proxy_password = "pp"},
                             out);
    EXPECT_EQ(result, "via proxy");
    auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, "GET http://gateway-test.invalid/path?x=1 HTTP/1.1");
    EXPECT_EQ(requests[0].header("Proxy-Authorization"), "Basic cHU6cHA=");
}

TEST(HttpRequestProxy, SecureUrlTunnelsThroughTheProxy) {
    MockHttpServer proxy(always(http_reply("403 Forbidden", "")));
    Outputs out;
    EXPECT_EQ(run({.url = "https://gateway-test.invalid/token", .proxy = proxy.address()}, out), "");
    auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, "CONNECT gateway-test.invalid:443 HTTP/1.1");
    // The tunnel was refused before any request went out.
    EXPECT_EQ(out.status_text, local("711 发送请求失败!"));
}

TEST(HttpRequestProxy, NoProxyMeansNoneEvenWhenTheEnvironmentNamesOne) {
    MockHttpServer proxy(always(http_reply("200 OK", "via proxy")));
    MockHttpServer server(always(http_reply("200 OK", "direct")));
    ScopedEnv http_proxy("http_proxy", "http://" + proxy.address());
    ScopedEnv no_proxy("no_proxy", std::nullopt);
    ScopedEnv NO_PROXY("NO_PROXY", std::nullopt);
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/"}, out), "direct");
    EXPECT_EQ(proxy.connection_count(), 0u);
}

// ---------------------------------------------------------------- time-out

TEST(HttpRequestTimeout, SilentServerEndsWith712AfterTheTimeout) {
    MockHttpServer server(always(silent_reply()));
    Outputs out;
    auto start = std::chrono::steady_clock::now();
    std::string result = run({.url = server.base_url() + "/", .timeout_seconds = 1}, out);
    auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(result, "");
    EXPECT_EQ(out.status_text, local("712 服务器未响应!"));
    EXPECT_EQ(out.response_headers, Outputs::kUntouched);
    EXPECT_EQ(out.response_bytes, Outputs::kUntouched);
    // The request did go out; the wait is bounded by the one second given,
    // not by the 30-second default.
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(15));
}

// A body cut short (closed early, or stalled past the time-out) keeps what
// came; the status of the head replaces the read error.
struct ShortBodyCase {
    const char* name;
    MockReply reply;
};

class HttpRequestShortBody : public testing::TestWithParam<ShortBodyCase> {};

TEST_P(HttpRequestShortBody, KeepsThePartReadAndTheStatus) {
    MockHttpServer server(always(GetParam().reply));
    Outputs out;
    std::string result = run({.url = server.base_url() + "/", .timeout_seconds = 1}, out);
    EXPECT_EQ(result, "0123456789");
    EXPECT_EQ(out.response_bytes, "0123456789");
    EXPECT_EQ(out.status_text, "200 OK");
    EXPECT_EQ(out.response_headers, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestShortBody,
    testing::Values(ShortBodyCase{"closed", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", false}},
                    ShortBodyCase{"stalled", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", true}}),
    [](const testing::TestParamInfo<ShortBodyCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- failures

TEST(HttpRequestFailure, RefusedConnectionIs711) {
    Outputs out;
    EXPECT_EQ(run({.url = "http://127.0.0.1:" + std::to_string(closed_port()) + "/"}, out), "");
    EXPECT_EQ(out.status_text, local("711 发送请求失败!"));
    EXPECT_EQ(out.response_headers, Outputs::kUntouched);
    EXPECT_EQ(out.location, Outputs::kUntouched);
    EXPECT_EQ(out.response_bytes, Outputs::kUntouched);
    EXPECT_EQ(out.received_cookies, "");
}

TEST(HttpRequestFailure, UnresolvableHostIs711) {
    // A label longer than 63 characters fails in the local resolver, before
    // any query could leave the machine.
    Outputs out;
    EXPECT_EQ(run({.url = "http://" + std::string(70, 'a') + ".invalid/"}, out), "");
    EXPECT_EQ(out.status_text, local("711 发送请求失败!"));
}

TEST(HttpRequestFailure, ConnectionClosedWithoutAnswerIs712) {
    MockHttpServer server(always(dropped_reply()));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/"}, out), "");
    EXPECT_EQ(out.status_text, local("712 服务器未响应!"));
    EXPECT_EQ(out.response_headers, Outputs::kUntouched);
}

class HttpRequestBadUrl : public testing::TestWithParam<std::string> {};

TEST_P(HttpRequestBadUrl, Is701) {
    Outputs out;
    std::string cookies = "a=1";
    EXPECT_EQ(gw::http_request(GetParam(), 0, {}, &cookies, &out.received_cookies, {}, &out.response_headers, false,
                               {}, {}, {}, {}, {}, 1, &out.location, &out.status_text, &out.response_bytes),
              "");
    EXPECT_EQ(out.status_text, local("701 解析URL地址失败!"));
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(out.response_headers, Outputs::kUntouched);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpRequestBadUrl,
                         testing::Values("", "127.0.0.1/x", "ftp://127.0.0.1/", "file:///etc/hosts", "http://",
                                         "http:///x", "http://127.0.0.1:99999/", "http://127.0.0.1:0/",
                                         "https://127.0.0.1:port/", "not a url"));

// ---------------------------------------------------------------- the head

struct HeadCase {
    const char* name;
    std::string raw;
    std::string response_headers;
    std::string status_text;
};

class HttpRequestHead : public testing::TestWithParam<HeadCase> {};

TEST_P(HttpRequestHead, IsReturnedWithCrLfLinesAndItsStatus) {
    const HeadCase& c = GetParam();
    MockHttpServer server(always({c.raw, false}));
    Outputs out;
    run({.url = server.base_url() + "/"}, out);
    EXPECT_EQ(out.response_headers, c.response_headers);
    EXPECT_EQ(out.status_text, c.status_text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestHead,
    testing::Values(
        HeadCase{"plain", "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\nok",
                 "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n", "200 OK"},
        HeadCase{"bare_line_feeds", "HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 2\n\nok",
                 "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n", "200 OK"},
        HeadCase{"interim_head_left_out",
                 "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n",
                 "HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n", "201 Created"},
        HeadCase{"http_1_0", "HTTP/1.0 202 Accepted For Now\r\n\r\nbody",
                 "HTTP/1.0 202 Accepted For Now\r\n\r\n", "202 Accepted For Now"}),
    [](const testing::TestParamInfo<HeadCase>& info) { return std::string(info.param.name); });

TEST(HttpRequest, ErrorStatusIsNoFailure) {
    MockHttpServer server(always(http_reply("404 Not Found", "<h1>no such page</h1>")));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/missing"}, out), "<h1>no such page</h1>");
    EXPECT_EQ(out.status_text, "404 Not Found");
}

TEST(HttpRequest, BodyWithNulEndsTheResultButNotTheBytes) {
    MockHttpServer server(always(http_reply("200 OK", "ab\0cd"s)));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/"}, out), "ab");
    EXPECT_EQ(out.response_bytes, "ab\0cd"s);
}

// ---------------------------------------------------------------- redirects

MockHttpServer::Handler redirecting_handler() {
    return [](const MockRequest& request) {
        if (request.target() == "/start")
            return http_reply("302 Found", "moved", {"location: /end", "Set-Cookie: s=1"});
        return http_reply("200 OK", "final:" + request.header("Cookie"), {"X-Final: yes"});
    };
}

TEST(HttpRequestRedirect, FollowedByDefaultAndTheFinalHeadIsReturned) {
    MockHttpServer server(redirecting_handler());
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/start"}, out), "final:");
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(out.status_text, "200 OK");
    EXPECT_TRUE(out.response_headers.starts_with("HTTP/1.1 200 OK\r\nX-Final: yes\r\n")) << out.response_headers;
    // The final head has no Location line: the caller's value stays.
    EXPECT_EQ(out.location, Outputs::kUntouched);
    EXPECT_EQ(out.received_cookies, "");
}

TEST(HttpRequestRedirect, NotFollowedWhenDisabledAndLowerCaseLocationIsRead) {
    MockHttpServer server(redirecting_handler());
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/start", .disable_redirects = true}, out), "moved");
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(out.status_text, "302 Found");
    EXPECT_EQ(out.location, "/end");
    EXPECT_EQ(out.received_cookies, "s=1");
}

TEST(HttpRequestRedirect, GivenCookiesCarryCookiesAcrossTheRedirect) {
    // Cookies given, even as empty text, turn the cookie engine on; omitted,
    // it stays off.
    MockHttpServer server(redirecting_handler());
    std::string cookies;
    Outputs with_engine;
    EXPECT_EQ(run({.url = server.base_url() + "/start", .cookies = &cookies}, with_engine), "final:s=1");
    Outputs without_engine;
    EXPECT_EQ(run({.url = server.base_url() + "/start"}, without_engine), "final:");
}

TEST(HttpRequestRedirect, TargetThatRefusesIs712) {
    uint16_t port = closed_port();
    MockHttpServer server(always(
        http_reply("302 Found", "", {"Location: http://127.0.0.1:" + std::to_string(port) + "/gone"})));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/"}, out), "");
    EXPECT_EQ(out.status_text, local("712 服务器未响应!"));
}

// ---------------------------------------------------------------- cookies

TEST(HttpRequestCookies, SetCookieLinesInAnyCaseAreCollected) {
    MockHttpServer server(always(http_reply(
        "200 OK", "", {"Set-Cookie: a=1; Path=/; HttpOnly", "set-cookie: b=2", "X-Other: c=3"})));
    Outputs out;
    run({.url = server.base_url() + "/"}, out);
    EXPECT_EQ(out.received_cookies, "a=1; b=2");
    EXPECT_NE(out.response_headers.find("\r\nSet-Cookie: b=2\r\n"), std::string::npos) << out.response_headers;
    EXPECT_EQ(out.response_headers.find("set-cookie"), std::string::npos);
}

TEST(HttpRequestCookies, NoSetCookieLeavesReceivedCookiesEmpty) {
    MockHttpServer server(always(http_reply("200 OK", "")));
    Outputs out;
    run({.url = server.base_url() + "/"}, out);
    EXPECT_EQ(out.received_cookies, "");
}

struct CookieCase {
    const char* name;
    std::optional<std::string> cookies;
    bool merge;
    std::optional<std::string> cookies_after;
    std::string received_after;
};

class HttpRequestCookieMerge : public testing::TestWithParam<CookieCase> {};

TEST_P(HttpRequestCookieMerge, MergesReceivedCookiesIntoGivenOnes) {
    const CookieCase& c = GetParam();
    MockHttpServer server(always(http_reply(
        "200 OK", "", {"Set-Cookie: a=2; Path=/", "Set-Cookie: d=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT"})));
    std::optional<std::string> cookies = c.cookies;
    Outputs out;
    run({.url = server.base_url() + "/", .cookies = cookies ? &*cookies : nullptr, .merge_received = c.merge}, out);
    EXPECT_EQ(cookies, c.cookies_after);
    EXPECT_EQ(out.received_cookies, c.received_after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestCookieMerge,
    testing::Values(CookieCase{"merged", "a=1; k=3", true, "a=2; k=3", "a=2; k=3"},
                    CookieCase{"merge_off", "a=1; k=3", false, "a=1; k=3", "a=2; d=deleted"},
                    CookieCase{"empty_cookies_still_merge", "", true, "a=2", "a=2"},
                    CookieCase{"omitted_cookies_no_merge", std::nullopt, true, std::nullopt, "a=2; d=deleted"}),
    [](const testing::TestParamInfo<CookieCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- charset

struct CharsetCase {
    const char* name;
    std::string body;
    std::string result;
};

class HttpRequestCharset : public testing::TestWithParam<CharsetCase> {};

TEST_P(HttpRequestCharset, DecodesADeclaredCharsetOtherThanTheLocalOne) {
    const CharsetCase& c = GetParam();
    MockHttpServer server(always(http_reply("200 OK", c.body, {"Content-Type: text/html"})));
    Outputs out;
    EXPECT_EQ(run({.url = server.base_url() + "/"}, out), c.result);
    EXPECT_EQ(out.response_bytes, c.body);
}

const std::string kUtf8Page = "<html><meta charset=\"utf-8\"><p>中文页面</p></html>";
const std::string kPadding(1100, ' ');

INSTANTIATE_TEST_SUITE_P(
    Table, HttpRequestCharset,
    testing::Values(
        CharsetCase{"utf8_decoded", kUtf8Page, local(kUtf8Page)},
        CharsetCase{"content_attribute_form",
                    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">中",
                    local("<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">中")},
        // Declared as the local charset: returned as it came, even if it lies.
        CharsetCase{"gbk_untouched", "<meta charset=gbk>中文", "<meta charset=gbk>中文"},
        CharsetCase{"gb2312_untouched", "<meta charset=\"gb2312\">中文", "<meta charset=\"gb2312\">中文"},
        CharsetCase{"capital_gbk_decoded_to_the_same_text", local("<meta charset=GBK>中文"),
                    local("<meta charset=GBK>中文")},
        CharsetCase{"json_without_meta_raw", "{\"name\":\"中文\"}", "{\"name\":\"中文\"}"},
        CharsetCase{"unknown_charset_raw", "<meta charset=x-no-such-set>中文", "<meta charset=x-no-such-set>中文"},
        CharsetCase{"meta_beyond_1024_bytes_ignored", kPadding + kUtf8Page, kPadding + kUtf8Page},
        CharsetCase{"decoded_result_ends_at_nul", "<meta charset=utf-8>中\0文"s, local("<meta charset=utf-8>中")}),
    [](const testing::TestParamInfo<CharsetCase>& info) { return std::string(info.param.name); });

} // namespace
