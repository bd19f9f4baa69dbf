#pragma once
// Comparisons that ignore the letter case of "a" to "z" only, as profile
// names, HTTP header names and markers need. In local text the second byte
// of a double-byte character may look like an ASCII letter; it is compared
// exactly, never folded.
#include <string_view>

namespace gw {

inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when `text` begins with `prefix`, letter case aside.
bool starts_with_ignoring_case(std::string_view text, std::string_view prefix);

inline bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && starts_with_ignoring_case(a, b);
}

} // namespace gw
