// Answers with XML after an ASCII prefix; sent only when no plug-in before it answered.
#include "gateway_plugin.h"

#include <string>

static std::string g_last;

GATEWAY_PLUGIN_HANDLER(const char* from_user, const char*, const char*) {
    g_last = std::string("prefix <xml><Who>second</Who><To>") + from_user + "</To></xml>";
    return g_last.c_str();
}
