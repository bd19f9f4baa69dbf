#include "system/ascii_case.h"

namespace gw {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (static_cast<unsigned char>(prefix[i]) >= 0x80) {
            // A double-byte character has no case: both bytes match exactly.
            if (text[i] != prefix[i]) return false;
            if (i + 1 < prefix.size()) {
                ++i;
                if (text[i] != prefix[i]) return false;
            }
            continue;
        }
        if (ascii_upper(text[i]) != ascii_upper(prefix[i])) return false;
    }
    return true;
}

} // namespace gw
