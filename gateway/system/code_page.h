#pragma once
// Conversions between code page 936 ("local text"), UTF-8 and UTF-16LE.
// A character that code page 936 cannot hold becomes "?"; malformed input
// is replaced rather than rejected. None of these throws.
#include <string>
#include <string_view>

namespace gw {

std::string cp936_to_utf8(std::string_view local);
std::string utf8_to_cp936(std::string_view utf8);

// UTF-16LE as raw bytes (two per code unit), no terminator.
std::string cp936_to_utf16le(std::string_view local);
std::string utf16le_to_cp936(std::string_view utf16le);

} // namespace gw
