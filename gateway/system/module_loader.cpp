#include "system/module_loader.h"

#include "system/module_loader_native.h"

#include <map>
#include <memory>

namespace gw {
namespace {

std::mutex g_mutex;

// Never freed: modules stay loaded for the life of the program, and a
// plug-in's result may still be in use while the program ends.
std::map<std::string, std::unique_ptr<LoadedModule>, std::less<>>& registry() {
    static auto* modules = new std::map<std::string, std::unique_ptr<LoadedModule>, std::less<>>();
    return *modules;
}

} // namespace

LoadedModule* load_module(std::string_view path) {
    // An empty path would name the program itself to the system loader.
    if (path.empty()) return nullptr;
    std::lock_guard lock(g_mutex);
    auto& modules = registry();
    if (auto it = modules.find(path); it != modules.end()) return it->second.get();
    void* handle = open_native_module(path);
    if (!handle) return nullptr;  // not remembered: the file may appear later
    auto module = std::make_unique<LoadedModule>();
    module->handle = handle;
    LoadedModule* raw = module.get();
    modules.emplace(std::string(path), std::move(module));
    return raw;
}

void* find_export(const LoadedModule& module, std::string_view name_bytes) {
    return module.handle ? find_native_export(module.handle, std::string(name_bytes)) : nullptr;
}

} // namespace gw
