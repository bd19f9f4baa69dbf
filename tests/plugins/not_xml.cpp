// Answers with text that is no reply XML.
#include "gateway_plugin.h"

GATEWAY_PLUGIN_HANDLER(const char*, const char*, const char*) { return "<XML>not a reply</XML>"; }
