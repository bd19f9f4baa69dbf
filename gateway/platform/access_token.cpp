#include "platform/access_token.h"

#include "callback/settings.h"
#include "callback/text_routines.h"
#include "callback/time_texts.h"
#include "platform/http_client.h"
#include "system/log_sink.h"

#include <array>
#include <mutex>
#include <utility>

namespace gw {
namespace {

std::mutex g_api_base_mutex;
std::string g_api_base = "https://api.weixin.qq.com";

struct ErrorRow {
    std::string code;
    std::string text;  // local text, after "[" and the time text
};

const std::array<ErrorRow, 4>& error_rows() {
    static const std::array<ErrorRow, 4> rows = {{
        {"-1", utf8_to_local("]\r\naccess_token更新失败：系统繁忙\r\n\r\n")},
        {"40001", utf8_to_local("]\r\naccess_token更新失败：AppSecret错误或者AppSecret不属于这个公众号，"
                                "请开发者确认AppSecret的正确性\r\n\r\n")},
        {"40002", utf8_to_local("]\r\naccess_token更新失败：请确保grant_type字段值为client_credential\r\n\r\n")},
        {"40164", utf8_to_local("]\r\naccess_token更新失败：调用接口的IP地址不在白名单中，"
                                "请在接口IP白名单中进行设置\r\n\r\n")},
    }};
    return rows;
}

} // namespace

void set_api_base(const std::string& base) {
    std::lock_guard lock(g_api_base_mutex);
    g_api_base = base;
}

std::string api_base() {
    std::lock_guard lock(g_api_base_mutex);
    return g_api_base;
}

const std::string& startup_wording() {
    static const std::string wording = utf8_to_local("]\r\naccess_token成功：");
    return wording;
}

const std::string& timer_wording() {
    static const std::string wording = utf8_to_local("]\r\naccess_token刷新成功：");
    return wording;
}

void refresh_access_token(const std::string& wording) {
    const std::string app_id = read_setting("appID");
    const std::string app_secret = read_setting("appsecret");
    // The values go in as they are; the platform's ids need no escaping.
    const std::string url = api_base() + "/cgi-bin/token?grant_type=client_credential&appid=" + app_id +
                            "&secret=" + app_secret;
    const std::string reply = http_request(url, 0);

    const std::string code = text_between(reply, "errcode\":", ",");
    for (const ErrorRow& row : error_rows())
        if (code == row.code) append_log("[" + time_text() + row.text);

    const std::string token = text_between(reply, "access_token\":\"", "\",");
    if (!token.empty()) {
        append_log("[" + time_text() + wording + token + "\r\n\r\n");
        write_setting("access_token", token);
    }
}

} // namespace gw
