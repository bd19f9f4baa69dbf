#pragma once
// The charset step of the HTTP client: an HTML body that declares a charset
// in a meta tag is decoded from it.
#include <string>
#include <string_view>

namespace gw {

// Group 1 of "<meta.+?charset=[^\w]?([-\w]+)" over the first 1024 bytes of
// `text` (letter case ignored); empty when there is none.
std::string declared_charset(std::string_view text);

// Decodes `bytes` from the named charset into local text (ending at the
// first NUL). False, leaving `local_text` alone, when the name is unknown.
// Malformed input and characters code page 936 lacks become "?".
bool decode_charset(std::string_view bytes, const std::string& charset, std::string& local_text);

} // namespace gw
