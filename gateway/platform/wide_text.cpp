#include "platform/wide_text.h"

#include "system/code_page.h"
#include "system/local_text.h"

namespace gw {

std::string text_to_utf16(std::string_view text, bool drop_terminator) {
    text = until_nul(text);
    if (text.empty()) return {};
    std::string wide = cp936_to_utf16le(text);
    if (!drop_terminator) wide.append(2, '\0');
    return wide;
}

std::string utf16_to_text(std::string_view utf16le) {
    size_t units = utf16le.size() / 2;  // a stray last byte is no code unit
    size_t end = 0;
    while (end < units && (utf16le[2 * end] != '\0' || utf16le[2 * end + 1] != '\0')) ++end;
    return utf16le_to_cp936(utf16le.substr(0, 2 * end));
}

} // namespace gw
