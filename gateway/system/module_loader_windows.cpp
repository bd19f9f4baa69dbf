#include "system/module_loader_native.h"

#include <windows.h>

namespace gw {

// Local text is the ANSI code page's text on a Chinese system.
void* open_native_module(std::string_view path) { return ::LoadLibraryA(std::string(path).c_str()); }

void* find_native_export(void* handle, const std::string& name_bytes) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name_bytes.c_str()));
}

} // namespace gw
