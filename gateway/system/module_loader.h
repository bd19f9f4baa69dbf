#pragma once
// Opens plug-in modules by path and finds their exports. A module, once
// opened, stays loaded until the program ends; opening the same path again
// gives the same module. Every module carries a lock that callers hold
// while they call into it and copy its result.
#include <mutex>
#include <string>
#include <string_view>

namespace gw {

struct LoadedModule {
    void* handle = nullptr;
    std::mutex call_lock;
};

// `path` is local text. Returns null when the module cannot be opened.
// Thread-safe.
LoadedModule* load_module(std::string_view path);

// Looks an export up by its exact name bytes; null when absent.
void* find_export(const LoadedModule& module, std::string_view name_bytes);

} // namespace gw
