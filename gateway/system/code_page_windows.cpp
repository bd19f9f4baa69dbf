#include "system/code_page.h"

#include <windows.h>

namespace gw {
namespace {

std::wstring to_wide(std::string_view bytes, UINT code_page) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::string from_wide(const std::wstring& wide, UINT code_page) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string wide_bytes(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size() * 2);
    for (wchar_t c : wide) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

} // namespace

std::string cp936_to_utf8(std::string_view local) { return from_wide(to_wide(local, 936), CP_UTF8); }

std::string utf8_to_cp936(std::string_view utf8) { return from_wide(to_wide(utf8, CP_UTF8), 936); }

std::string cp936_to_utf16le(std::string_view local) { return wide_bytes(to_wide(local, 936)); }

std::string utf16le_to_cp936(std::string_view utf16le) {
    std::wstring wide(utf16le.size() / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                       (static_cast<unsigned char>(utf16le[2 * i + 1]) << 8));
    return from_wide(wide, 936);
}

} // namespace gw
