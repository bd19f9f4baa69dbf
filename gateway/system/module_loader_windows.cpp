#include "system/module_loader.h"

#include <windows.h>

#include <map>
#include <memory>

namespace gw {
namespace {

std::mutex g_mutex;

// Never freed: modules stay loaded for the life of the program.
std::map<std::string, std::unique_ptr<LoadedModule>, std::less<>>& registry() {
    static auto* modules = new std::map<std::string, std::unique_ptr<LoadedModule>, std::less<>>();
    return *modules;
}

} // namespace

LoadedModule* load_module(std::string_view path) {
    std::lock_guard lock(g_mutex);
    auto& modules = registry();
    if (auto it = modules.find(path); it != modules.end()) return it->second.get();
    // Local text is the ANSI code page's text on a Chinese system.
    HMODULE handle = ::LoadLibraryA(std::string(path).c_str());
    if (!handle) return nullptr;
    auto module = std::make_unique<LoadedModule>();
    module->handle = handle;
    LoadedModule* raw = module.get();
    modules.emplace(std::string(path), std::move(module));
    return raw;
}

void* find_export(const LoadedModule& module, std::string_view name_bytes) {
    if (!module.handle) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module.handle), std::string(name_bytes).c_str()));
}

} // namespace gw
