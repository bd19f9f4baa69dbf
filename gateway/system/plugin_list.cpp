#include "system/plugin_list.h"

#include "system/ascii_case.h"
#include "system/hook.h"
#include "system/program_paths.h"

#include <algorithm>
#include <filesystem>

namespace gw {
namespace {

Hook<PluginListReader>& reader_hook() {
    static Hook<PluginListReader> hook;
    return hook;
}

bool ends_with_dll(const std::string& name) {
    return name.size() >= 4 && equal_ignoring_case(std::string_view(name).substr(name.size() - 4), ".dll");
}

} // namespace

void set_plugin_list_reader(PluginListReader reader) { reader_hook().set(std::move(reader)); }

std::vector<std::string> read_plugin_list() {
    auto reader = reader_hook().get();
    return reader ? (*reader)() : std::vector<std::string>{};
}

std::vector<std::string> scan_plugin_directory(const std::string& dir_local) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(to_native_path(dir_local), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        std::string name = from_native_path(it->path().filename());
        // "*.dll" matches the extension without regard to case, as the
        // Windows file search does.
        if (ends_with_dll(name)) names.push_back(name);
    }
    // Windows lists an NTFS directory in name order; other file systems
    // return any order, so sort to call plug-ins in the same order everywhere.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace gw

namespace gw {

std::string plugin_directory() { return program_path("plugin"); }

void ensure_plugin_directory() {
    std::error_code ec;
    auto dir = to_native_path(plugin_directory());
    if (!std::filesystem::is_directory(dir, ec)) std::filesystem::create_directory(dir, ec);
}

} // namespace gw
