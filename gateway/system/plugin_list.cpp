#include "system/plugin_list.h"

#include "system/program_paths.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>

namespace gw {
namespace {

std::mutex g_mutex;
std::shared_ptr<const PluginListReader> g_reader;

bool ends_with_dll(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".dll";
}

} // namespace

void set_plugin_list_reader(PluginListReader reader) {
    auto next = reader ? std::make_shared<const PluginListReader>(std::move(reader)) : nullptr;
    std::lock_guard lock(g_mutex);
    g_reader = std::move(next);
}

std::vector<std::string> read_plugin_list() {
    std::shared_ptr<const PluginListReader> reader;
    {
        std::lock_guard lock(g_mutex);
        reader = g_reader;
    }
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
