#pragma once
// The system loader behind load_module: one implementation per system.
#include <string>
#include <string_view>

namespace gw {

// `path` is local text; null when the module cannot be opened.
void* open_native_module(std::string_view path);
void* find_native_export(void* handle, const std::string& name_bytes);

} // namespace gw
