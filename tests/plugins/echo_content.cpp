// Answers with the bytes of the content it was given, in hex.
#include "gateway_plugin.h"

#include <string>

static std::string g_last;

GATEWAY_PLUGIN_HANDLER(const char*, const char*, const char* content) {
    static const char* hex = "0123456789abcdef";
    std::string bytes;
    for (const char* p = content; *p; ++p) {
        unsigned char b = static_cast<unsigned char>(*p);
        bytes += hex[b >> 4];
        bytes += hex[b & 15];
    }
    g_last = "<xml><Content>" + bytes + "</Content></xml>";
    return g_last.c_str();
}
