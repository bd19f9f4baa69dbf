#include "callback/text_routines.h"

#include "script/regexp.h"
#include "system/ascii_case.h"
#include "system/code_page.h"
#include "system/local_text.h"

#include <algorithm>

namespace gw {
namespace {

// lstrcmpA on texts of ASCII letters and digits: digits before letters,
// letters without regard to case, a text before a longer one that begins
// with it; case decides only between otherwise equal texts, lower first.
// Other ASCII sorts first, bytes beyond ASCII last, in byte order; the
// second byte of a double-byte character counts as it is.
int primary_weight(unsigned char c, bool trail) {
    if (trail || c >= 0x80) return 0x400 + c;
    if (c >= '0' && c <= '9') return 0x200 + c;
    if (c >= 'a' && c <= 'z') return 0x300 + (c - 'a');
    if (c >= 'A' && c <= 'Z') return 0x300 + (c - 'A');
    return 0x100 + c;
}

bool locale_less(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    bool trail = false;
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        int wa = primary_weight(ca, trail);
        int wb = primary_weight(cb, trail);
        if (wa != wb) return wa < wb;
        trail = !trail && ca >= 0x80;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    // Equal but for the case of some letters: the first difference decides.
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] >= 'a' && a[i] <= 'z';
    return false;
}

std::string upper_copy(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) >= 0x80) {
            ++i;  // the trail byte of a double-byte character stays as it is
            continue;
        }
        out[i] = ascii_upper(out[i]);
    }
    return out;
}

} // namespace

std::string utf8_to_local(std::string_view utf8) { return utf8_to_cp936(until_nul(utf8)); }

std::string local_to_utf8(std::string_view local) { return cp936_to_utf8(until_nul(local)); }

size_t find_local(std::string_view haystack, std::string_view needle, size_t from, bool case_insensitive) {
    if (from < 1) from = 1;
    if (needle.empty()) return 0;
    // Character boundaries are found by walking from the start, so that a
    // lead byte is never mistaken for a trail byte. `walk` is the first
    // boundary not yet known to lie before the candidate.
    size_t walk = 0;
    auto on_boundary = [&](size_t pos) {
        while (walk < pos) walk += static_cast<unsigned char>(haystack[walk]) >= 0x80 ? 2 : 1;
        return walk == pos;
    };
    if (!case_insensitive) {
        // The byte search finds candidates fast; most are on a boundary.
        for (size_t pos = haystack.find(needle, from - 1); pos != std::string_view::npos;
             pos = haystack.find(needle, pos + 1)) {
            if (on_boundary(pos)) return pos + 1;
        }
        return 0;
    }
    for (size_t pos = 0; pos < haystack.size();) {
        if (pos + 1 >= from && starts_with_ignoring_case(haystack.substr(pos), needle)) return pos + 1;
        pos += static_cast<unsigned char>(haystack[pos]) >= 0x80 ? 2 : 1;
    }
    return 0;
}

std::string text_between(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                         long start_position, bool case_insensitive) {
    std::string start = replace_quote_marker(start_marker);
    std::string end = replace_quote_marker(end_marker);
    size_t from = start_position < 1 ? 1 : static_cast<size_t>(start_position);
    size_t p = find_local(source, start, from, case_insensitive);
    if (p == 0) return {};
    size_t q = p + start.size();
    size_t e = find_local(source, end, q, case_insensitive);
    if (e == 0) return {};
    return std::string(source.substr(q - 1, e - q));
}

std::string digits_only(std::string_view text) {
    RegExp expression;
    std::string digits;
    if (!expression.execute("[0-9]", std::string(text))) return digits;
    int count = expression.match_count();
    for (int m = 1; m <= count; ++m) digits += expression.match_text(m);
    return digits;
}

void sort_texts(std::vector<std::string>& list, bool descending, bool case_sensitive) {
    auto less = [case_sensitive](const std::string& a, const std::string& b) {
        return case_sensitive ? locale_less(a, b) : locale_less(upper_copy(a), upper_copy(b));
    };
    std::stable_sort(list.begin(), list.end(), less);
    if (descending) std::reverse(list.begin(), list.end());
}

} // namespace gw
