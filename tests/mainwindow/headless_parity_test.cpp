#include "window_test_support.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "system/profile_file.h"

#include <QProcess>
#include <QRegularExpression>

namespace gw::test {
namespace {

// The headless program, on a free port, with a home of its own.
class HeadlessGateway {
public:
    explicit HeadlessGateway(const std::filesystem::path& home) {
        process_.setProgram(QStringLiteral(GATEWAY_BINARY));
        process_.setArguments({QStringLiteral("--headless"), QStringLiteral("--port"), QStringLiteral("0"),
                               QStringLiteral("--home"), QString::fromStdString(home.string()),
                               QStringLiteral("--api-base"), QStringLiteral("http://127.0.0.1:1")});
        process_.setReadChannel(QProcess::StandardError);
        process_.start();
        if (!process_.waitForStarted(30000)) return;
        const QRegularExpression listening(QStringLiteral("listening on port (\\d+)"));
        QString seen;
        while (port_ == 0 && process_.waitForReadyRead(30000)) {
            seen += QString::fromUtf8(process_.readAllStandardError());
            if (auto match = listening.match(seen); match.hasMatch()) port_ = match.captured(1).toUShort();
        }
    }
    ~HeadlessGateway() {
        process_.terminate();
        if (!process_.waitForFinished(30000)) process_.kill();
        process_.waitForFinished(30000);
    }
    quint16 port() const { return port_; }

private:
    QProcess process_;
    quint16 port_ = 0;
};

struct ParityCase {
    const char* what;
    std::string request;
};

TEST_F(WindowTest, ServerAnswersAsTheHeadlessRunnerDoes) {
    TempDir headless_home;
    for (const std::string& file : {settings_file_path(), utf8_to_local((headless_home / "配置.ini").string())})
        ASSERT_TRUE(write_profile_string(file, settings_section(), "Token", "parity-token"));
    ASSERT_TRUE(window_->start_service(0, nullptr));
    HeadlessGateway headless(headless_home.path());
    ASSERT_NE(headless.port(), 0);

    const std::string timestamp = "1700000123";
    const std::string nonce = "987654321";
    const std::string query = "signature=" + platform_signature("parity-token", timestamp, nonce) +
                              "&timestamp=" + timestamp + "&nonce=" + nonce;
    const std::string unfollow =
        "<xml><ToUserName><![CDATA[gh_1]]></ToUserName><FromUserName><![CDATA[user]]></FromUserName>"
        "<MsgType><![CDATA[event]]></MsgType><Event><![CDATA[unsubscribe]]></Event></xml>";
    const ParityCase cases[] = {
        {"verification", verification_request("parity-token", "hello-echo")},
        {"unfollow event", "POST /wx?" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                               std::to_string(unfollow.size()) + "\r\n\r\n" + unfollow},
    };
    for (const ParityCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string from_window = send_request(window_->service_port(), c.request);
        const std::string from_headless = send_request(headless.port(), c.request);
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
