// Answers with a null pointer.
#include "gateway_plugin.h"

GATEWAY_PLUGIN_HANDLER(const char*, const char*, const char*) { return nullptr; }
