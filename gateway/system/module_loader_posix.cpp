#include "system/module_loader_native.h"

#include "system/program_paths.h"

#include <dlfcn.h>

namespace gw {

void* open_native_module(std::string_view path) {
    return ::dlopen(to_native_path(path).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* find_native_export(void* handle, const std::string& name_bytes) { return ::dlsym(handle, name_bytes.c_str()); }

} // namespace gw
