#pragma once
// The configuration file 配置.ini in the program directory, section
// 公众号配置. Nothing is cached: every call reads or writes the file.
#include <string>

namespace gw {

std::string read_setting(const std::string& key);
void write_setting(const std::string& key, const std::string& value);

// The file's path and section name, as local text.
std::string settings_file_path();
const std::string& settings_section();

} // namespace gw
