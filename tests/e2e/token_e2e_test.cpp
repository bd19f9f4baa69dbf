// The headless gateway keeps the access token fresh from its first moment.
#include "e2e/e2e_fixture.h"

#include "callback/text_routines.h"
#include "support/mock_http_server.h"

namespace gw::test {
namespace {

TEST(TokenE2E, StartupRefreshStoresAndLogsTheToken) {
    MockHttpServer platform([](const MockRequest& request) {
        if (request.target().rfind("/cgi-bin/token?", 0) != 0) return http_reply("404 Not Found", "");
        return http_reply("200 OK", R"({"access_token":"TOKEN_E2E","expires_in":7200})",
                          {"Content-Type: application/json"});
    });
    TempDir home;
    write_config(home.path(), {{"Token", kToken}, {"appID", "wxAPP"}, {"appsecret", "s3cr&t"}});
    GatewayProcess gateway(GATEWAY_BINARY, home.path(), {"--api-base", platform.base_url()});
    ASSERT_NE(gateway.port(), 0);
    ASSERT_TRUE(gateway.wait_for_log("access_token成功：TOKEN_E2E\r\n\r\n")) << gateway.log();

    auto requests = platform.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line,
              "GET /cgi-bin/token?grant_type=client_credential&appid=wxAPP&secret=s3cr&t HTTP/1.1");
    // The token is stored (just after its log line) beside the other keys,
    // which stay as they were.
    std::string config;
    for (int i = 0; i < 500; ++i) {
        config = local_to_utf8(read_file(home.path() / "配置.ini"));
        if (config.find("access_token=") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(config.find("access_token=TOKEN_E2E"), std::string::npos) << config;
    EXPECT_NE(config.find("appsecret=s3cr&t"), std::string::npos) << config;

    // The gateway answers callbacks all the same.
    auto ex = http_exchange(gateway.port(), verification_request(kToken, "still-here"));
    EXPECT_TRUE(is_gateway_response(ex.response, "still-here"));
    EXPECT_EQ(gateway.stop(), 0) << gateway.errors();
}

TEST(TokenE2E, SilentPlatformDoesNotHoldUpCallbacks) {
    MockHttpServer platform([](const MockRequest&) { return silent_reply(); });
    TempDir home;
    write_config(home.path(), {{"Token", kToken}});
    GatewayProcess gateway(GATEWAY_BINARY, home.path(), {"--api-base", platform.base_url()});
    ASSERT_NE(gateway.port(), 0);
    // While the start-up refresh waits on the platform, callbacks are answered.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (platform.requests().empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(platform.requests().size(), 1u);
    auto ex = http_exchange(gateway.port(), verification_request(kToken, "not-blocked"), std::chrono::seconds(5));
    EXPECT_TRUE(is_gateway_response(ex.response, "not-blocked"));
    // Asked to end while the platform is still silent, it ends cleanly
    // rather than waiting out the request (stop() kills it after 20 s).
    EXPECT_EQ(gateway.stop(), 0) << gateway.errors();
}

} // namespace
} // namespace gw::test
