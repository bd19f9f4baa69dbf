// The access-token manager against a loopback mock of the platform's token
// interface: what it asks, what it logs and what it stores.
#include "platform/access_token.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "callback/time_texts.h"
#include "support/mock_http_server.h"
#include "support/temp_dir.h"
#include "system/log_sink.h"
#include "system/program_paths.h"

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <ostream>

namespace {

using namespace gw::test;

std::string local(std::string_view utf8) { return gw::utf8_to_local(utf8); }

// Failure messages name the case instead of dumping its bytes.
template <typename Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

MockReply json_reply(std::string_view body) {
    return http_reply("200 OK", body, {"Content-Type: application/json; encoding=utf-8"});
}

// A program directory with a configuration file, a log that records every
// line, and the platform's token interface on a loopback port answering
// with whatever reply the test sets.
class AccessToken : public testing::Test {
protected:
    void SetUp() override {
        saved_base_ = gw::api_base();
        gw::set_program_directory(home_.path());
        gw::write_setting("appID", "wx-app-1");
        gw::write_setting("appsecret", "s3cr3t");
        gw::write_setting("access_token", "OLD");
        gw::set_log_sink([this](const std::string& text) {
            std::lock_guard lock(mutex_);
            log_.push_back(text);
        });
        platform_.set_handler([this](const MockRequest& request) {
            if (!request.target().starts_with("/cgi-bin/token?")) return http_reply("404 Not Found", "");
            std::lock_guard lock(mutex_);
            return reply_;
        });
        gw::set_api_base(platform_.base_url());
    }

    void TearDown() override {
        gw::set_log_sink(nullptr);
        gw::set_api_base(saved_base_);
    }

    void answer(MockReply reply) {
        std::lock_guard lock(mutex_);
        reply_ = std::move(reply);
    }

    std::vector<std::string> log() {
        std::lock_guard lock(mutex_);
        return log_;
    }

    // Refreshes and returns the one log line it wrote with its time text
    // checked and cut out ("[" + time text + rest -> rest); nullopt when it
    // wrote none.
    std::optional<std::string> refresh_and_read_log(const std::string& wording) {
        size_t before = log().size();
        std::string earliest = gw::time_text();
        gw::refresh_access_token(wording);
        std::string latest = gw::time_text();
        std::vector<std::string> lines = log();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(before));
        if (lines.empty()) return std::nullopt;
        EXPECT_EQ(lines.size(), 1u);
        const std::string& line = lines.front();
        size_t close = line.find("]\r\n");
        EXPECT_TRUE(line.starts_with("[") && close != std::string::npos) << line;
        if (close == std::string::npos) return line;
        std::string time = line.substr(1, close - 1);
        EXPECT_TRUE(time == earliest || time == latest) << time;
        return line.substr(close);
    }

    TempDir home_;
    MockHttpServer platform_;
    std::string saved_base_;
    std::mutex mutex_;
    std::vector<std::string> log_;
    MockReply reply_;
};

struct ReplyCase {
    const char* name;
    MockReply reply;
    std::optional<std::string> log_after_time;  // the log line after "[" + time text
    std::string stored;
};

class AccessTokenReply : public AccessToken, public testing::WithParamInterface<ReplyCase> {};

TEST_P(AccessTokenReply, LogsAndStoresAsTheReplySays) {
    const ReplyCase& c = GetParam();
    answer(c.reply);
    EXPECT_EQ(refresh_and_read_log(gw::startup_wording()), c.log_after_time);
    EXPECT_EQ(gw::read_setting("access_token"), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AccessTokenReply,
    testing::Values(
        ReplyCase{"token_first_member", json_reply(R"({"access_token":"TOKEN-1","expires_in":7200})"),
                  local("]\r\naccess_token成功：TOKEN-1\r\n\r\n"), "TOKEN-1"},
        ReplyCase{"token_last_member", json_reply(R"({"expires_in":7200,"access_token":"TOKEN-2"})"), std::nullopt,
                  "OLD"},
        ReplyCase{"busy", json_reply(R"({"errcode":-1,"errmsg":"system error"})"),
                  local("]\r\naccess_token更新失败：系统繁忙\r\n\r\n"), "OLD"},
        ReplyCase{"wrong_secret", json_reply(R"({"errcode":40001,"errmsg":"invalid credential"})"),
                  local("]\r\naccess_token更新失败：AppSecret错误或者AppSecret不属于这个公众号，"
                        "请开发者确认AppSecret的正确性\r\n\r\n"),
                  "OLD"},
        ReplyCase{"wrong_grant_type", json_reply(R"({"errcode":40002,"errmsg":"invalid grant_type"})"),
                  local("]\r\naccess_token更新失败：请确保grant_type字段值为client_credential\r\n\r\n"), "OLD"},
        ReplyCase{"address_not_listed", json_reply(R"({"errcode":40164,"errmsg":"invalid ip"})"),
                  local("]\r\naccess_token更新失败：调用接口的IP地址不在白名单中，"
                        "请在接口IP白名单中进行设置\r\n\r\n"),
                  "OLD"},
        ReplyCase{"code_outside_the_table", json_reply(R"({"errcode":40013,"errmsg":"invalid appid"})"),
                  std::nullopt, "OLD"},
        ReplyCase{"blank_after_the_colon", json_reply(R"({"errcode": -1,"errmsg":"system error"})"), std::nullopt,
                  "OLD"},
        ReplyCase{"connection_fails", dropped_reply(), std::nullopt, "OLD"}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST_F(AccessToken, StartUpAndTimerDifferOnlyInWording) {
    answer(json_reply(R"({"access_token":"T","expires_in":7200})"));
    std::optional<std::string> at_start = refresh_and_read_log(gw::startup_wording());
    std::optional<std::string> on_timer = refresh_and_read_log(gw::timer_wording());
    EXPECT_EQ(at_start, local("]\r\naccess_token成功：T\r\n\r\n"));
    EXPECT_EQ(on_timer, local("]\r\naccess_token刷新成功：T\r\n\r\n"));
}

TEST_F(AccessToken, UnreachablePlatformLogsNothing) {
    platform_.stop();
    EXPECT_EQ(refresh_and_read_log(gw::timer_wording()), std::nullopt);
    EXPECT_EQ(gw::read_setting("access_token"), "OLD");
}

struct UrlCase {
    const char* name;
    std::string app_id;
    std::string app_secret;
    std::string target;
};

class AccessTokenUrl : public AccessToken, public testing::WithParamInterface<UrlCase> {};

TEST_P(AccessTokenUrl, CarriesAppIdAndSecretUnescaped) {
    const UrlCase& c = GetParam();
    gw::write_setting("appID", c.app_id);
    gw::write_setting("appsecret", c.app_secret);
    answer(json_reply("{}"));
    gw::refresh_access_token(gw::startup_wording());
    auto requests = platform_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, "GET " + c.target + " HTTP/1.1");
    EXPECT_EQ(requests[0].body, "");
    EXPECT_TRUE(requests[0].header_values("Cookie").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, AccessTokenUrl,
    testing::Values(UrlCase{"plain", "wx-app-1", "s3cr3t",
                            "/cgi-bin/token?grant_type=client_credential&appid=wx-app-1&secret=s3cr3t"},
                    UrlCase{"reserved_characters_as_they_are", "wx+1", "a=b&c/d%41",
                            "/cgi-bin/token?grant_type=client_credential&appid=wx+1&secret=a=b&c/d%41"},
                    UrlCase{"empty_values_sent_empty", "", "",
                            "/cgi-bin/token?grant_type=client_credential&appid=&secret="}),
    [](const testing::TestParamInfo<UrlCase>& info) { return std::string(info.param.name); });

TEST(AccessTokenApiBase, DefaultsToThePlatform) { EXPECT_EQ(gw::api_base(), "https://api.weixin.qq.com"); }

} // namespace
