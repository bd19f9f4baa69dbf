// Text messages through the real gateway and real plug-in modules.
#include "e2e/e2e_fixture.h"

#include <atomic>
#include <regex>
#include <set>
#include <thread>

namespace gw::test {
namespace {

using namespace std::chrono_literals;

class PluginE2E : public GatewayTest {
protected:
    void start_with(const std::vector<std::pair<std::filesystem::path, std::string>>& plugins) {
        write_config(home_.path(), {{"Token", kToken}});
        install_plugins(home_.path(), plugins);
        start();
    }
    Exchange send_text(const std::string& content, const std::string& from = "oUSER") {
        return http_exchange(gateway_->port(), message_request(kToken, text_message_xml(content, from)));
    }
};

TEST_F(PluginE2E, SamplePluginAnswersWithEightArticles) {
    start_with({{GATEWAY_SAMPLE_PLUGIN, "测试.dll"}});
    auto ex = send_text("你好", "oWRITER");
    ASSERT_TRUE(ex.closed);
    const std::string body = body_of(ex.response);
    EXPECT_TRUE(is_gateway_response(ex.response, body));
    static const std::regex news(
        "<xml><ToUserName><!\\[CDATA\\[oWRITER\\]\\]></ToUserName><FromUserName><!\\[CDATA\\[gh_ACCOUNT\\]\\]>"
        "</FromUserName><CreateTime>[0-9]{13}</CreateTime><MsgType><!\\[CDATA\\[news\\]\\]></MsgType>"
        "<ArticleCount>8</ArticleCount><Articles>(<item><Title><!\\[CDATA\\[图文[1-8]\\]\\]></Title>"
        "<Description><!\\[CDATA\\[\\]\\]></Description><PicUrl><!\\[CDATA\\[https://[^\\]]+\\]\\]></PicUrl>"
        "<Url><!\\[CDATA\\[https://[^\\]]+\\]\\]></Url></item>){8}</Articles></xml>");
    EXPECT_TRUE(std::regex_match(body, news)) << body;
    for (int k = 1; k <= 8; ++k) EXPECT_NE(body.find("图文" + std::to_string(k)), std::string::npos);

    ASSERT_TRUE(gateway_->wait_for_log("回复文文消息："));
    const std::string log = gateway_->log();
    size_t received = log.find("收到文本消息：你好\r\n\r\n");
    size_t replied = log.find("回复文文消息：" + body + "\r\n\r\n");
    EXPECT_NE(received, std::string::npos) << log;
    EXPECT_NE(replied, std::string::npos) << log;
    EXPECT_LT(received, replied);
}

TEST_F(PluginE2E, FirstXmlReplyIsSentAndEveryPluginIsCalled) {
    start_with({{test_plugin("not_xml"), "a_not_xml.dll"},
                {test_plugin("null_reply"), "b_null.dll"},
                {test_plugin("no_export"), "c_no_export.dll"},
                {test_plugin("xml_first"), "d_first.dll"},
                {test_plugin("xml_second"), "e_second.dll"}});
    auto ex = send_text("hi", "oFROM");
    ASSERT_TRUE(ex.closed);
    EXPECT_TRUE(is_gateway_response(ex.response, "<xml><Who>first</Who><To>oFROM</To><From>gh_ACCOUNT</From></xml>"));
    // The later XML reply is logged too, though its client is gone.
    ASSERT_TRUE(gateway_->wait_for_log("回复文文消息：", 2));
    const std::string log = gateway_->log();
    EXPECT_EQ(count_of(log, "回复文文消息：<xml><Who>first"), 1);
    EXPECT_EQ(count_of(log, "回复文文消息：prefix <xml><Who>second</Who><To>oFROM</To></xml>"), 1);
    EXPECT_EQ(count_of(log, "not a reply"), 0);
    EXPECT_EQ(count_of(log, "must never be called"), 0);
}

TEST_F(PluginE2E, NoXmlReplyClosesWithAnEmptyAnswer) {
    start_with({{test_plugin("not_xml"), "only.dll"}});
    auto ex = send_text("anyone?");
    EXPECT_TRUE(ex.closed);
    EXPECT_TRUE(is_gateway_response(ex.response, ""));
    EXPECT_EQ(count_of(gateway_->log(), "回复文文消息："), 0);
    EXPECT_EQ(count_of(gateway_->log(), "收到文本消息：anyone?"), 1);
}

TEST_F(PluginE2E, EmptyPluginListClosesWithAnEmptyAnswer) {
    start_with({});
    auto ex = send_text("nobody home");
    EXPECT_TRUE(ex.closed);
    EXPECT_TRUE(is_gateway_response(ex.response, ""));
}

TEST_F(PluginE2E, DeletedPluginIsSkippedSilently) {
    start_with({{test_plugin("xml_second"), "a_gone.dll"}, {test_plugin("xml_first"), "b_kept.dll"}});
    std::filesystem::remove(home_.path() / "plugin" / "a_gone.dll");
    auto ex = send_text("x", "oDEL");
    EXPECT_TRUE(is_gateway_response(ex.response, "<xml><Who>first</Who><To>oDEL</To><From>gh_ACCOUNT</From></xml>"));
    ASSERT_TRUE(gateway_->wait_for_log("回复文文消息："));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(count_of(gateway_->log(), "回复文文消息："), 1);
}

TEST_F(PluginE2E, ChineseContentReachesThePluginAsCodePage936) {
    start_with({{test_plugin("echo_content"), "echo.dll"}});
    auto ex = send_text("你好");
    // 你好 in code page 936 is C4 E3 BA C3.
    EXPECT_TRUE(is_gateway_response(ex.response, "<xml><Content>c4e3bac3</Content></xml>"));
}

TEST_F(PluginE2E, ConcurrentMessagesEachGetTheirOwnReplyWithoutOverlappingCalls) {
    start_with({{test_plugin("slow_guarded"), "slow.dll"}});
    constexpr int kClients = 6, kEach = 4;
    std::vector<std::thread> clients;
    std::atomic<int> good{0};
    std::vector<std::string> failures(kClients);
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int i = 0; i < kEach; ++i) {
                std::string user = "oU" + std::to_string(c) + "_" + std::to_string(i);
                auto ex = send_text("m", user);
                if (is_gateway_response(ex.response, "<xml><To>" + user + "</To><Overlap>no</Overlap></xml>"))
                    ++good;
                else
                    failures[c] = ex.response;
            }
        });
    }
    for (auto& t : clients) t.join();
    EXPECT_EQ(good.load(), kClients * kEach);
    for (const auto& f : failures) EXPECT_EQ(f, "");
}

} // namespace
} // namespace gw::test
