// Answers every message with XML addressed to its sender.
#include "gateway_plugin.h"

#include <string>

static std::string g_last;

GATEWAY_PLUGIN_HANDLER(const char* from_user, const char* to_user, const char*) {
    g_last = std::string("<xml><Who>first</Who><To>") + from_user + "</To><From>" + to_user + "</From></xml>";
    return g_last.c_str();
}
