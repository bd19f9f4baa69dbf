// The handler against a recording client link and log, with a real
// configuration file.
#include "callback/callback_handler.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "system/log_sink.h"
#include "system/plugin_list.h"
#include "system/program_paths.h"
#include "support/raw_http.h"
#include "support/recording_link.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <regex>

namespace gw {
namespace {

using namespace std::chrono_literals;

using test::RecordingLink;

class HandlerTest : public testing::Test {
protected:
    void SetUp() override {
        set_program_directory(home_.path());
        write_setting("Token", "abcToken");
        set_log_sink([this](const std::string& text) {
            std::lock_guard lock(log_mutex_);
            log_.push_back(local_to_utf8(text));
        });
        set_plugin_list_reader([] { return std::vector<std::string>{}; });
    }
    void TearDown() override {
        set_log_sink(nullptr);
        set_plugin_list_reader(nullptr);
    }
    std::vector<std::string> log() {
        std::lock_guard lock(log_mutex_);
        return log_;
    }
    void handle(const std::string& request, ClientId client = 7) { handle_callback(link_, client, request); }

    test::TempDir home_;
    std::shared_ptr<RecordingLink> link_ = std::make_shared<RecordingLink>();
    std::mutex log_mutex_;
    std::vector<std::string> log_;
};

std::string get(const std::string& query) { return "GET /?" + query + " HTTP/1.1\r\nHost: x\r\n\r\n"; }

std::string post(const std::string& query, const std::string& xml) {
    return "POST /?" + query + " HTTP/1.1\r\nContent-Length: " + std::to_string(xml.size()) + "\r\n\r\n" + xml;
}

// The signature of a request whose nonce field reads `nonce_text` but whose
// signed nonce is `signed_nonce`.
std::string query_with_nonce(const std::string& token, const std::string& signed_nonce, const std::string& nonce_text) {
    return "signature=" + test::platform_signature(token, "1514160000", signed_nonce) +
           "&echostr=ok&timestamp=1514160000&nonce=" + nonce_text;
}

TEST_F(HandlerTest, NonceIsTheDigitsOfItsFirst13Characters) {
    struct Case {
        const char* name;
        std::string nonce_text;  // what follows "nonce=" up to " HTTP"
        std::string signed_nonce;
    };
    const Case cases[] = {
        {"last parameter", "1234567890", "1234567890"},
        {"ten digits then openid", "1234567890&openid=oX", "1234567890"},
        {"eleven digits then openid", "12345678901&openid=oX", "12345678901"},
        {"fourteen digits are cut to 13", "12345678901234", "1234567890123"},
        {"digits within 13 characters after the nonce count", "12345&o1=2&openid=x", "1234512"},
    };
    ClientId client = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        handle(get(query_with_nonce("abcToken", c.signed_nonce, c.nonce_text)), client);
        auto sent = link_->sent();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back().first, client);
        EXPECT_EQ(test::body_of(sent.back().second), "ok");
        ++client;
    }
}

TEST_F(HandlerTest, TokenStartingWithALetterSortsAfterDigits) {
    // Joined as timestamp, nonce, token: "1" < "9" decides the digits.
    handle(get("signature=" + test::platform_signature("abcToken", "1514160000", "9") +
               "&echostr=E&timestamp=1514160000&nonce=9"));
    ASSERT_EQ(link_->sent().size(), 1u);
    EXPECT_EQ(test::body_of(link_->sent()[0].second), "E");
}

TEST_F(HandlerTest, VerificationLogsRequestVerificationAndSuccess) {
    const std::string query = test::signed_query("abcToken") ;
    handle(get("echostr=hello&" + query));
    // echostr before the signature: "echostr=" is cut up to the next "&".
    ASSERT_EQ(link_->sent().size(), 1u);
    EXPECT_EQ(test::body_of(link_->sent()[0].second), "hello");
    EXPECT_EQ(link_->closed(), std::vector<ClientId>{7});
    auto lines = log();
    ASSERT_EQ(lines.size(), 3u);
    const std::string t = "\\[[^\\]]+ GMT\\]\r\n";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(t + "GET /\\?echostr=hello&[^]*\r\n\r\n\r\n\r\n")));
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(t + "收到Token验证\r\n\r\n\r\n")));
    const std::string sig = test::platform_signature("abcToken", "1514160000", "1234567890");
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(t + "验证成功：" + sig + "\r\n\r\n\r\n"))) << lines[2];
}

TEST_F(HandlerTest, MismatchLogsOnlyTheRequestAndSendsNothing) {
    for (const std::string& request : {get("echostr=x&timestamp=1&nonce=2"),  // no signature
                                       get("signature=" + std::string(40, 'a') + "&timestamp=1&nonce=2"),
                                       std::string("garbage"), std::string()}) {
        handle(request);
    }
    EXPECT_TRUE(link_->sent().empty());
    EXPECT_TRUE(link_->closed().empty());
    EXPECT_EQ(log().size(), 4u);
}

TEST_F(HandlerTest, MissingOrUnterminatedEchostrGivesAnEmptyBody) {
    for (const std::string& request : {get(test::signed_query("abcToken")),
                                       get(test::signed_query("abcToken") + "&echostr=tail")}) {
        handle(request);
    }
    ASSERT_EQ(link_->sent().size(), 2u);
    for (const auto& [client, bytes] : link_->sent()) EXPECT_EQ(test::body_of(bytes), "");
}

TEST_F(HandlerTest, PostWithoutMsgTypeIsAnsweredAsAVerification) {
    handle(post(test::signed_query("abcToken") + "&x=1", "<xml><Foo>bar</Foo></xml>"));
    ASSERT_EQ(link_->sent().size(), 1u);
    EXPECT_EQ(test::body_of(link_->sent()[0].second), "");
    EXPECT_EQ(log()[1].find("收到Token验证") != std::string::npos, true);
}

TEST_F(HandlerTest, MissingTokenKeyMeansAnEmptyToken) {
    test::write_file(home_.path() / "配置.ini", "[other]\r\nToken=abcToken\r\n");
    handle(get(test::signed_query("") + "&echostr=e&"));
    ASSERT_EQ(link_->sent().size(), 1u);
    EXPECT_EQ(test::body_of(link_->sent()[0].second), "e");
}

TEST_F(HandlerTest, TextMessageIsLeftToTheWorker) {
    const std::string xml = "<xml><ToUserName><![CDATA[gh]]></ToUserName><FromUserName><![CDATA[oU]]></FromUserName>"
                            "<MsgType><![CDATA[text]]></MsgType><Content><![CDATA[hi]]></Content></xml>";
    handle(post(test::signed_query("abcToken"), xml));
    // The worker answers (here: no plug-ins, so an empty answer) on its own thread.
    ASSERT_TRUE(link_->wait_closed(1));
    ASSERT_EQ(link_->sent().size(), 1u);
    EXPECT_EQ(test::body_of(link_->sent()[0].second), "");
    auto lines = log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("]\r\n收到文本消息：hi\r\n\r\n"), std::string::npos);
}

TEST_F(HandlerTest, MsgTypeAndEventCompareExactly) {
    auto xml = [](const std::string& type, const std::string& event) {
        return "<xml><FromUserName><![CDATA[oU]]></FromUserName><MsgType><![CDATA[" + type +
               "]]></MsgType><Event><![CDATA[" + event + "]]></Event></xml>";
    };
    handle(post(test::signed_query("abcToken"), xml("event", "Subscribe")), 1);
    handle(post(test::signed_query("abcToken"), xml("Event", "subscribe")), 2);
    auto sent = link_->sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(test::body_of(sent[0].second), "") << "Subscribe is another event";
    EXPECT_EQ(test::body_of(sent[1].second), "") << "Event is another message type";
    for (const auto& line : log()) EXPECT_EQ(line.find("收到关注事件"), std::string::npos);
}

TEST(BuildTextReply, PiecesInOrderWithoutEscaping) {
    std::string reply = build_text_reply(utf8_to_local("你好 <b>&"), "oTO", "gh_FROM");
    std::regex expected(
        "<xml>\r\n<ToUserName><!\\[CDATA\\[oTO\\]\\]></ToUserName>\r\n<FromUserName><!\\[CDATA\\[gh_FROM\\]\\]>"
        "</FromUserName>\r\n<CreateTime>[0-9]{13}</CreateTime>\r\n<MsgType><!\\[CDATA\\[text\\]\\]></MsgType>\r\n"
        "<Content><!\\[CDATA\\[你好 <b>&\\]\\]></Content>\r\n </xml>");
    EXPECT_TRUE(std::regex_match(reply, expected)) << reply;
}

TEST(BuildTextReply, CdataEndInContentSplitsTheSection) {
    const struct {
        std::string content, written;
    } cases[] = {
        {"]]>", "]]]]><![CDATA[>"},
        {"a]]>b]]>c", "a]]]]><![CDATA[>b]]]]><![CDATA[>c"},
        {"]]", "]]"},
        {"]>", "]>"},
    };
    for (const auto& c : cases) {
        std::string reply = build_text_reply(c.content, "u", "a");
        EXPECT_NE(reply.find("<Content><![CDATA[" + c.written + "]]></Content>"), std::string::npos) << reply;
    }
}

TEST(BuildResponse, HeadIs82BytesAndHasNoOtherHeader) {
    std::string response = build_response("body");
    const std::string head = "HTTP/1.1 200 OK\r\nServer: WebServer1.0\r\nContent-Type: textml; charset=utf-8\r\nDate: ";
    EXPECT_EQ(response.compare(0, head.size(), head), 0);
    EXPECT_EQ(response.find("\r\n\r\nbody"), response.size() - 8);
    EXPECT_EQ(response.find("Content-Length"), std::string::npos);
}

} // namespace
} // namespace gw
