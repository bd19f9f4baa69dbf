#include "system/module_loader.h"

#include "system/program_paths.h"

#include <dlfcn.h>

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
    // dlopen("") would hand back the program itself.
    if (path.empty()) return nullptr;
    std::lock_guard lock(g_mutex);
    auto& modules = registry();
    if (auto it = modules.find(path); it != modules.end()) return it->second.get();
    std::string native = to_native_path(path).string();
    void* handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    auto module = std::make_unique<LoadedModule>();
    module->handle = handle;
    LoadedModule* raw = module.get();
    modules.emplace(std::string(path), std::move(module));
    return raw;
}

void* find_export(const LoadedModule& module, std::string_view name_bytes) {
    if (!module.handle) return nullptr;
    std::string name(name_bytes);
    return ::dlsym(module.handle, name.c_str());
}

} // namespace gw
