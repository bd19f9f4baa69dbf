#include "window_test_support.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "support/gateway_process.h"
#include "system/profile_file.h"

namespace gw::test {
namespace {

struct ParityCase {
    const char* what;
    std::string request;
};

TEST_F(WindowTest, ServerAnswersAsTheHeadlessRunnerDoes) {
    TempDir headless_home;
    for (const std::string& file : {settings_file_path(), utf8_to_local((headless_home / "配置.ini").string())})
        ASSERT_TRUE(write_profile_string(file, settings_section(), "Token", "parity-token"));
    ASSERT_TRUE(window_->start_service(0, nullptr));
    // Its api base is unreachable, as the window's is.
    GatewayProcess headless(GATEWAY_BINARY, headless_home.path());
    ASSERT_NE(headless.port(), 0);

    const std::string unfollow =
        "<xml><ToUserName><![CDATA[gh_1]]></ToUserName><FromUserName><![CDATA[user]]></FromUserName>"
        "<MsgType><![CDATA[event]]></MsgType><Event><![CDATA[unsubscribe]]></Event></xml>";
    const ParityCase cases[] = {
        {"verification", verification_request("parity-token", "hello-echo")},
        {"unfollow event", "POST /wx?" + signed_query("parity-token") + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                               std::to_string(unfollow.size()) + "\r\n\r\n" + unfollow},
    };
    for (const ParityCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string from_window = send_request(window_->service_port(), c.request);
        const std::string from_headless = send_request(static_cast<quint16>(headless.port()), c.request);
        ASSERT_TRUE(from_window.starts_with("HTTP/1.1 200 OK\r\n")) << from_window;
        const Response window_response = split_response(from_window);
        const Response headless_response = split_response(from_headless);
        EXPECT_EQ(window_response.before_date, headless_response.before_date);
        EXPECT_EQ(window_response.body, headless_response.body);
    }
    EXPECT_EQ(split_response(send_request(window_->service_port(), cases[0].request)).body, "hello-echo");
}

} // namespace
} // namespace gw::test
