#pragma once
// Merging the cookies a server sets into the caller's cookie text. Both are
// local text, pieces of the form name=value joined by "; ".
#include <string>
#include <string_view>

namespace gw {

// Without the ASCII spaces and code-page-936 full-width spaces at both ends.
std::string_view trim_spaces(std::string_view text);

// The name of one piece: the text before its first "=", or the whole piece,
// trimmed of spaces.
std::string cookie_name(std::string_view piece);

// The received cookies first, then the old ones whose names the server did
// not send, in their old order; pieces whose value is "deleted" go, repeats
// go. Spaces are removed from both arguments in place; the result is also
// stored in `old_cookies`.
std::string merge_cookies(std::string& old_cookies, std::string& received_cookies);

} // namespace gw
