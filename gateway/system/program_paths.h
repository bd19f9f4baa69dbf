#pragma once
// The program directory and the paths formed from it. Paths are local text
// (code page 936); `to_native_path` turns one into what the file system takes.
#include <filesystem>
#include <string>
#include <string_view>

namespace gw {

// The directory of the program file, or the one set with
// set_program_directory (the --home option, tests).
std::string program_directory();
void set_program_directory(const std::filesystem::path& dir);

// program directory + "/" + name.
std::string program_path(std::string_view name);

std::filesystem::path to_native_path(std::string_view local_path);
std::string from_native_path(const std::filesystem::path& path);

} // namespace gw
