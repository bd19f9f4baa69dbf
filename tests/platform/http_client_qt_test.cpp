// On the event-loop thread a request keeps the loop turning while it waits.
#include "platform/http_client.h"

#include "callback/text_routines.h"
#include "support/mock_http_server.h"
#include "system/event_pump.h"
#include "system/event_pump_qt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

namespace {

using namespace gw::test;

TEST(HttpRequestEventLoop, TimersFireWhileTheRequestWaits) {
    int argc = 1;
    char name[] = "test_platform";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    gw::install_qt_blocking_runner();
    struct Uninstall {
        ~Uninstall() { gw::set_blocking_runner(nullptr); }
    } uninstall;

    MockHttpServer server([](const MockRequest&) { return silent_reply(); });
    bool fired = false;
    QTimer::singleShot(100, &app, [&fired] { fired = true; });

    std::string status_text;
    std::string result = gw::http_request(server.base_url() + "/", 0, {}, nullptr, nullptr, {}, nullptr, false, {},
                                          {}, {}, {}, {}, 1, nullptr, &status_text);

    // Nothing else runs the loop in this test: the timer can only have
    // fired inside the request.
    EXPECT_TRUE(fired);
    EXPECT_EQ(result, "");
    EXPECT_EQ(status_text, gw::utf8_to_local("712 服务器未响应!"));
}

} // namespace
