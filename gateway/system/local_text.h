#pragma once
// Small helpers for local text (code page 936) shared across the gateway.
#include <cstddef>
#include <string>
#include <string_view>

namespace gw {

// The text up to its first NUL: local text arrives as C strings would hold it.
std::string_view until_nul(std::string_view text);

// Replaces every "#引号" (local text) by a double quote. "#" is never the
// second byte of a character, so a plain byte search stays on boundaries.
std::string replace_quote_marker(std::string_view text);

// Spaces and tabs taken off both ends.
std::string_view trim_blanks(std::string_view text);

// The length in bytes of the UTF-8 sequence that `lead` announces: 1 to 4,
// or 0 for a byte that begins none (a continuation byte, 0xF8 and above).
// The continuation bytes themselves are not looked at.
std::size_t utf8_lead_length(unsigned char lead);

} // namespace gw
