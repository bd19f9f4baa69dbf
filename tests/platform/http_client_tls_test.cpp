// HTTPS: the server's certificate is checked against the CA store, which
// GATEWAY_CA_FILE can name.
#include "platform/http_client.h"

#include "callback/text_routines.h"
#include "scoped_env.h"
#include "support/mock_http_server.h"
#include "support/temp_dir.h"
#include "test_pki.h"

#include <gtest/gtest.h>

namespace {

using namespace gw::test;

struct TlsRun {
    std::string result;
    std::string status_text;
};

TlsRun fetch(const std::string& url) {
    TlsRun run;
    run.result = gw::http_request(url, 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 2, nullptr,
                                  &run.status_text);
    return run;
}

class HttpRequestTls : public testing::Test {
protected:
    TestPki pki_ = make_test_pki();
    TempDir dir_;
    MockHttpServer server_{[](const MockRequest&) { return http_reply("200 OK", "secure"); }, &pki_.server};
};

TEST_F(HttpRequestTls, SucceedsWithTheServersCaTrusted) {
    write_file(dir_ / "ca.pem", pki_.ca_certificate_pem);
    ScopedEnv ca("GATEWAY_CA_FILE", (dir_ / "ca.pem").string());
    TlsRun run = fetch(server_.base_url() + "/token");
    EXPECT_EQ(run.result, "secure");
    EXPECT_EQ(run.status_text, "200 OK");
    ASSERT_EQ(server_.requests().size(), 1u);
    EXPECT_EQ(server_.requests()[0].request_line, "GET /token HTTP/1.1");
}

TEST_F(HttpRequestTls, FailsWith711WhenTheCaIsNotTrusted) {
    write_file(dir_ / "other.pem", make_test_pki("Unrelated CA").ca_certificate_pem);
    ScopedEnv ca("GATEWAY_CA_FILE", (dir_ / "other.pem").string());
    TlsRun run = fetch(server_.base_url() + "/token");
    EXPECT_EQ(run.result, "");
    EXPECT_EQ(run.status_text, gw::utf8_to_local("711 发送请求失败!"));
    EXPECT_TRUE(server_.requests().empty());
}

} // namespace
