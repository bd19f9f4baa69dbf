// The sample plug-in 测试: every text message gets the same eight articles.
#include "gateway_plugin.h"
#include "news_reply.h"

#include <string>

namespace {

// The text returned last; it lives until the next call or until unload.
std::string g_last_reply;

} // namespace

GATEWAY_PLUGIN_HANDLER(const char* from_user, const char* to_user, const char* /*content*/) {
    try {
        std::string user = from_user ? from_user : "";
        std::string account = to_user ? to_user : "";
        g_last_reply = sample::sample_reply(user, account);
        return g_last_reply.c_str();
    } catch (...) {
        // No exception may cross into the host.
        return nullptr;
    }
}
