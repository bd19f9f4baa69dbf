// The real headless gateway answering the platform's callbacks over loopback.
#include "e2e/e2e_fixture.h"

#include "callback/text_routines.h"

#include <regex>

#include <sys/wait.h>

namespace gw::test {
namespace {

using namespace std::chrono_literals;

class CallbackE2E : public GatewayTest {
protected:
    void SetUp() override {
        write_config(home_.path(), {{"Token", kToken}, {"回复内容", "欢迎关注 Tarnwell"}});
        start();
    }
};

TEST_F(CallbackE2E, VerificationEchoesEchostrAndCloses) {
    auto ex = http_exchange(gateway_->port(), verification_request(kToken, "8541279912776312470"));
    EXPECT_TRUE(ex.closed);
    EXPECT_TRUE(is_gateway_response(ex.response, "8541279912776312470"));
}

TEST_F(CallbackE2E, BadSignaturesGetNoAnswer) {
    const std::string good = platform_signature(kToken, "1514160000", "1234567890");
    std::string upper = good;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string flipped = good;
    flipped.back() = flipped.back() == '0' ? '1' : '0';
    for (const std::string& signature : {upper, flipped, std::string(40, '0')}) {
        SCOPED_TRACE(signature);
        auto ex = http_exchange(gateway_->port(), verification_request(kToken, "echo", signature), 700ms);
        EXPECT_EQ(ex.response, "");
        EXPECT_FALSE(ex.closed) << "the connection stays open";
    }
}

TEST_F(CallbackE2E, SubscribeGetsTheConfiguredTextReply) {
    auto ex = http_exchange(gateway_->port(), message_request(kToken, event_xml("subscribe", "oFAN", "gh_ME")));
    ASSERT_TRUE(ex.closed);
    std::string body = body_of(ex.response);
    static const std::regex reply(
        "<xml>\r\n<ToUserName><!\\[CDATA\\[oFAN\\]\\]></ToUserName>\r\n"
        "<FromUserName><!\\[CDATA\\[gh_ME\\]\\]></FromUserName>\r\n"
        "<CreateTime>[0-9]{13}</CreateTime>\r\n<MsgType><!\\[CDATA\\[text\\]\\]></MsgType>\r\n"
        "<Content><!\\[CDATA\\[欢迎关注 Tarnwell\\]\\]></Content>\r\n </xml>");
    EXPECT_TRUE(std::regex_match(body, reply)) << body;
    EXPECT_TRUE(is_gateway_response(ex.response, body));
}

TEST_F(CallbackE2E, OtherEventsAndMessageKindsGetAnEmptyAnswer) {
    for (const std::string& xml :
         {event_xml("unsubscribe"), event_xml("CLICK"), event_xml("SCAN"),
          std::string("<xml><ToUserName><![CDATA[gh]]></ToUserName><FromUserName><![CDATA[o]]></FromUserName>"
                      "<MsgType><![CDATA[image]]></MsgType><PicUrl><![CDATA[http://x/y.jpg]]></PicUrl></xml>"),
          std::string("<xml><MsgType><![CDATA[location]]></MsgType></xml>")}) {
        SCOPED_TRACE(xml);
        auto ex = http_exchange(gateway_->port(), message_request(kToken, xml));
        EXPECT_TRUE(ex.closed);
        EXPECT_TRUE(is_gateway_response(ex.response, ""));
    }
}

TEST_F(CallbackE2E, RequestInThreePiecesIsOneMessage) {
    std::string request = message_request(kToken, event_xml("subscribe", "oPIECES"));
    size_t head_end = request.find("\r\n\r\n");
    std::vector<std::string> pieces{request.substr(0, 40), request.substr(40, head_end - 40 + 10),
                                    request.substr(head_end + 10)};
    auto ex = http_exchange(gateway_->port(), pieces, 10s, 300ms);
    ASSERT_TRUE(ex.closed);
    EXPECT_NE(body_of(ex.response).find("<ToUserName><![CDATA[oPIECES]]></ToUserName>"), std::string::npos)
        << ex.response;
    ASSERT_TRUE(gateway_->wait_for_log("收到关注事件：oPIECES"));
    EXPECT_EQ(count_of(gateway_->log(), "收到Token验证"), 0) << "no piece may pass for a verification";
}

TEST_F(CallbackE2E, LogHoldsTheLinesInOrder) {
    http_exchange(gateway_->port(), verification_request(kToken, "E1"));
    http_exchange(gateway_->port(), message_request(kToken, event_xml("subscribe", "oA", "gh_B")));
    http_exchange(gateway_->port(), message_request(kToken, event_xml("unsubscribe", "oA", "gh_B")));
    ASSERT_TRUE(gateway_->wait_for_log("取消关注事件：oA"));
    const std::string log = gateway_->log();
    const std::string sig = platform_signature(kToken, "1514160000", "1234567890");
    const std::string t = "\\[[A-Z][a-z]{2}, [^\\]]+ GMT\\]\r\n";
    // Request line, verification, success; then the two events.
    const std::regex expected(
        "(" + t + "GET /wx\\?[^\r]*\r\n[^]*?\r\n\r\n\r\n)" + t + "收到Token验证\r\n\r\n\r\n" + t + "验证成功：" + sig +
        "\r\n\r\n\r\n" + t + "POST [^]*?\r\n\r\n\r\n\r\n" + t + "收到事件-----\r\n\r\n" + t +
        "收到关注事件：oA\r\n\r\n" + t + "回复关注事件：欢迎关注 Tarnwell\r\n\r\n" + t + "POST [^]*?\r\n\r\n\r\n\r\n" +
        t + "收到事件-----\r\n\r\n" + t + "取消关注事件：oA\r\n\r\n");
    EXPECT_TRUE(std::regex_search(log, expected)) << log;
}

TEST_F(CallbackE2E, SavedTokenTakesEffectWithoutRestart) {
    auto before = http_exchange(gateway_->port(), verification_request(kToken, "old"));
    EXPECT_TRUE(is_gateway_response(before.response, "old"));
    write_config(home_.path(), {{"Token", "brandNewToken"}});
    auto stale = http_exchange(gateway_->port(), verification_request(kToken, "stale"), 500ms);
    EXPECT_EQ(stale.response, "");
    auto fresh = http_exchange(gateway_->port(), verification_request("brandNewToken", "fresh"));
    EXPECT_TRUE(is_gateway_response(fresh.response, "fresh"));
}

TEST_F(CallbackE2E, FollowReplyWithCdataEndStaysWellFormed) {
    write_config(home_.path(), {{"Token", kToken}, {"回复内容", "a]]>b"}});
    auto ex = http_exchange(gateway_->port(), message_request(kToken, event_xml("subscribe")));
    EXPECT_NE(body_of(ex.response).find("<Content><![CDATA[a]]]]><![CDATA[>b]]></Content>"), std::string::npos)
        << ex.response;
}

TEST(CallbackE2EStart, NoConfigurationFileStillAnswersWithEmptyToken) {
    TempDir home;
    GatewayProcess gateway(GATEWAY_BINARY, home.path());
    ASSERT_NE(gateway.port(), 0);
    auto ex = http_exchange(gateway.port(), verification_request("", "nofile"));
    EXPECT_TRUE(is_gateway_response(ex.response, "nofile"));
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "plugin"));
    EXPECT_EQ(gateway.stop(), 0) << gateway.errors();
}

TEST(CallbackE2EStart, TakenPortEndsWithAnError) {
    TempDir home;
    GatewayProcess first(GATEWAY_BINARY, home.path());
    ASSERT_NE(first.port(), 0);
    GatewayProcess second(GATEWAY_BINARY, home.path(), {"--port", std::to_string(first.port())});
    EXPECT_EQ(second.port(), 0);
    int status = second.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

} // namespace
} // namespace gw::test
