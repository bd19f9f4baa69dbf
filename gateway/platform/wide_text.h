#pragma once
// Local text (code page 936) to and from UTF-16LE byte strings, in the
// shape the HTTP client's callers expect: a terminated wide string and back.
#include <string>
#include <string_view>

namespace gw {

// Empty text gives an empty byte string. Any other text becomes UTF-16LE
// followed by a NUL code unit (two zero bytes), unless `drop_terminator`.
std::string text_to_utf16(std::string_view text, bool drop_terminator = false);

// UTF-16LE bytes to local text, ending at the first NUL code unit; a
// character that code page 936 cannot hold becomes "?".
std::string utf16_to_text(std::string_view utf16le);

} // namespace gw
