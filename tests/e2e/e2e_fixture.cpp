#include "e2e/e2e_fixture.h"

#include "callback/text_routines.h"

#include <regex>

#include <sys/wait.h>

namespace gw::test {

void write_config(const std::filesystem::path& home, const std::vector<std::pair<std::string, std::string>>& keys) {
    std::string text = "[公众号配置]\r\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
    // The file name follows the file system (UTF-8); the content is code page 936.
    write_file(home / "配置.ini", utf8_to_local(text));
}

void install_plugins(const std::filesystem::path& home,
                     const std::vector<std::pair<std::filesystem::path, std::string>>& plugins) {
    std::filesystem::create_directories(home / "plugin");
    for (const auto& [source, name] : plugins)
        std::filesystem::copy_file(source, home / "plugin" / name, std::filesystem::copy_options::overwrite_existing);
}

std::filesystem::path test_plugin(const std::string& name) {
    return std::filesystem::path(GATEWAY_TEST_PLUGIN_DIR) / (name + ".dll");
}

std::string verification_request(const std::string& token, const std::string& echostr, const std::string& signature) {
    const std::string timestamp = "1514160000", nonce = "1234567890";
    std::string sig = signature.empty() ? platform_signature(token, timestamp, nonce) : signature;
    return "GET /wx?signature=" + sig + "&echostr=" + echostr + "&timestamp=" + timestamp + "&nonce=" + nonce +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/4.0\r\nAccept: */*\r\n\r\n";
}

std::string message_request(const std::string& token, const std::string& xml, const std::string& nonce) {
    return "POST /wx?" + signed_query(token, "1514160000", nonce) +
           "&openid=oUSER HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nContent-Length: " +
           std::to_string(xml.size()) + "\r\n\r\n" + xml;
}

std::string text_message_xml(const std::string& content, const std::string& from_user, const std::string& to_user) {
    return "<xml><ToUserName><![CDATA[" + to_user + "]]></ToUserName><FromUserName><![CDATA[" + from_user +
           "]]></FromUserName><CreateTime>1514160000</CreateTime><MsgType><![CDATA[text]]></MsgType>"
           "<Content><![CDATA[" + content + "]]></Content><MsgId>6502154849185869100</MsgId></xml>";
}

std::string event_xml(const std::string& event, const std::string& from_user, const std::string& to_user) {
    return "<xml><ToUserName><![CDATA[" + to_user + "]]></ToUserName><FromUserName><![CDATA[" + from_user +
           "]]></FromUserName><CreateTime>1514160000</CreateTime><MsgType><![CDATA[event]]></MsgType>"
           "<Event><![CDATA[" + event + "]]></Event></xml>";
}

testing::AssertionResult is_gateway_response(const std::string& response, const std::string& body) {
    static const std::string head =
        "HTTP/1.1 200 OK\r\nServer: WebServer1.0\r\nContent-Type: textml; charset=utf-8\r\nDate: ";
    static const std::regex date("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]?-"
                                 "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-[0-9]{4} "
                                 "(0|[1-9][0-9]?):(0|[1-9][0-9]?):(0|[1-9][0-9]?) GMT");
    if (response.compare(0, head.size(), head) != 0)
        return testing::AssertionFailure() << "head differs: " << testing::PrintToString(response);
    size_t blank = response.find("\r\n\r\n", head.size());
    if (blank == std::string::npos) return testing::AssertionFailure() << "no blank line";
    std::string time = response.substr(head.size(), blank - head.size());
    if (!std::regex_match(time, date)) return testing::AssertionFailure() << "bad time text: " << time;
    if (response.substr(blank + 4) != body)
        return testing::AssertionFailure() << "body " << testing::PrintToString(response.substr(blank + 4))
                                           << " != " << testing::PrintToString(body);
    return testing::AssertionSuccess();
}

void GatewayTest::start(const std::vector<std::string>& extra_args) {
    gateway_ = std::make_unique<GatewayProcess>(GATEWAY_BINARY, home_.path(), extra_args);
    ASSERT_NE(gateway_->port(), 0) << "gateway did not start";
}

void GatewayTest::TearDown() {
    if (!gateway_) return;
    int status = gateway_->stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "wait status " << status << "\n" << gateway_->errors();
}

} // namespace gw::test
