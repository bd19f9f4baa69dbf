#pragma once
// The plug-in list as the core sees it: the file names shown in the host's
// list, in list order. The host installs the reader; any thread may call it.
#include <functional>
#include <string>
#include <vector>

namespace gw {

using PluginListReader = std::function<std::vector<std::string>()>;

void set_plugin_list_reader(PluginListReader reader);
std::vector<std::string> read_plugin_list();

// The file names (local text) of the files matching "*.dll" in `dir_local`,
// sorted by name; directories are passed over.
std::vector<std::string> scan_plugin_directory(const std::string& dir_local);

} // namespace gw

namespace gw {

// program directory + "/plugin", as local text.
std::string plugin_directory();

// Creates the plug-in directory when it is not an existing directory.
void ensure_plugin_directory();

} // namespace gw
