#include "system/program_paths.h"

#include "system/code_page.h"

#include <mutex>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace gw {
namespace {

std::mutex g_mutex;
std::string g_directory;  // local text; empty until first asked or set

#ifdef _WIN32
// The path of the running program file; empty when it cannot be had.
std::filesystem::path module_file_path() {
    std::wstring buffer(32768, L'\0');  // the longest path Windows has, with its NUL
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};  // failed, or cut short
    buffer.resize(length);
    return std::filesystem::path(buffer);
}
#endif

std::string executable_directory() {
    std::error_code ec;
#ifdef _WIN32
    auto exe = module_file_path();
#else
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
    if (ec || exe.empty()) return from_native_path(std::filesystem::current_path(ec));
    return from_native_path(exe.parent_path());
}

} // namespace

std::filesystem::path to_native_path(std::string_view local_path) {
#ifdef _WIN32
    std::string utf16 = cp936_to_utf16le(local_path);
    std::wstring wide(utf16.size() / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                       (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(cp936_to_utf8(local_path));
#endif
}

std::string from_native_path(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return utf8_to_cp936(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

std::string program_directory() {
    std::lock_guard lock(g_mutex);
    if (g_directory.empty()) g_directory = executable_directory();
    return g_directory;
}

void set_program_directory(const std::filesystem::path& dir) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(dir, ec);
    std::lock_guard lock(g_mutex);
    g_directory = from_native_path((ec ? dir : absolute).lexically_normal());
    // "a/b/" normalises to "a/b/": keep the joining rule (dir + "/" + name) clean.
    while (g_directory.size() > 1 && (g_directory.back() == '/' || g_directory.back() == '\\'))
        g_directory.pop_back();
}

std::string program_path(std::string_view name) {
    std::string path = program_directory();
    path += '/';
    path += name;
    return path;
}

} // namespace gw
