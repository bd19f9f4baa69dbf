#include "platform/cookie_merge.h"

#include <algorithm>
#include <vector>

namespace gw {
namespace {

// The full-width space of code page 936.
constexpr std::string_view kWideSpace = "\xA1\xA1";

size_t char_length(std::string_view s, size_t pos) {
    return static_cast<unsigned char>(s[pos]) >= 0x80 && pos + 1 < s.size() ? 2 : 1;
}

// Drops ASCII and full-width spaces, walking whole characters so that a
// trail byte is never taken for half a space.
std::string without_spaces(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t pos = 0; pos < s.size();) {
        size_t n = char_length(s, pos);
        std::string_view ch = s.substr(pos, n);
        if (ch != " " && ch != kWideSpace) out.append(ch);
        pos += n;
    }
    return out;
}

// Empty pieces between two separators stay; none follows a final separator;
// empty text has no pieces.
std::vector<std::string> split_pieces(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(separator, pos);
        if (hit == std::string_view::npos) {
            if (pos < text.size()) pieces.emplace_back(text.substr(pos));
            return pieces;
        }
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
}

} // namespace

std::string_view trim_spaces(std::string_view s) {
    for (;;) {
        if (s.starts_with(' ')) s.remove_prefix(1);
        else if (s.starts_with(kWideSpace)) s.remove_prefix(2);
        else if (s.ends_with(' ')) s.remove_suffix(1);
        else if (s.ends_with(kWideSpace)) s.remove_suffix(2);
        else return s;
    }
}

std::string cookie_name(std::string_view piece) {
    return std::string(trim_spaces(piece.substr(0, piece.find('='))));
}

std::string merge_cookies(std::string& old_cookies, std::string& received_cookies) {
    old_cookies = without_spaces(old_cookies);
    received_cookies = without_spaces(received_cookies);

    std::vector<std::string> working = split_pieces(received_cookies, ";");
    for (const std::string& piece : split_pieces(old_cookies, ";")) {
        std::string name = cookie_name(piece);
        bool known = std::any_of(working.begin(), working.end(),
                                 [&](const std::string& w) { return cookie_name(w) == name; });
        if (!known) working.push_back(piece);
    }

    std::string joined;
    for (const std::string& piece : working) {
        if (std::string_view(piece).ends_with("=deleted")) continue;
        joined += piece;
        joined += "; ";
    }
    joined.resize(joined.size() >= 2 ? joined.size() - 2 : 0);

    std::vector<std::string> kept;
    for (std::string& piece : split_pieces(joined, "; "))
        if (std::find(kept.begin(), kept.end(), piece) == kept.end()) kept.push_back(std::move(piece));
    std::string result;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i) result += "; ";
        result += kept[i];
    }
    old_cookies = result;
    return result;
}

} // namespace gw
