#include "system/local_text.h"

namespace gw {

std::string_view until_nul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string replace_quote_marker(std::string_view text) {
    static constexpr std::string_view marker = "#\xD2\xFD\xBA\xC5";  // "#引号" in code page 936
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit; (hit = text.find(marker, pos)) != std::string_view::npos; pos = hit + marker.size()) {
        out.append(text.substr(pos, hit - pos));
        out += '"';
    }
    out.append(text.substr(pos));
    return out;
}

std::string_view trim_blanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::size_t utf8_lead_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

} // namespace gw
