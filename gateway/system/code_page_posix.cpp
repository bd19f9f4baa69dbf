#include "system/code_page.h"

#include "system/local_text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace gw {
namespace {

// Length of the UTF-8 sequence that starts at s[0], 1 for a stray byte.
size_t utf8_sequence_length(std::string_view s) {
    const size_t n = utf8_lead_length(static_cast<unsigned char>(s[0]));
    if (n == 0 || n > s.size()) return 1;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
    return n;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// One descriptor per direction and thread: iconv_open is far slower than a
// conversion, and a descriptor must not be shared between threads.
iconv_t converter(const char* to, const char* from, IconvHandle& slot) {
    if (!slot) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
        slot.reset(cd);
    }
    iconv(static_cast<iconv_t>(slot.get()), nullptr, nullptr, nullptr, nullptr);
    return static_cast<iconv_t>(slot.get());
}

// Converts with iconv; at a byte the target cannot take (or a malformed
// source sequence) writes `replacement` and skips `skip(input)` bytes.
template <typename Skip>
std::string convert(iconv_t cd, std::string_view in, std::string_view replacement, Skip skip) {
    std::string out;
    if (in.empty() || cd == reinterpret_cast<iconv_t>(-1)) return out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    while (src_left > 0) {
        size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = out.size() - dst_left;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dst_left = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: replace one source character and go on.
        if (dst_left < replacement.size() + 8) {
            size_t used = out.size() - dst_left;
            out.resize(out.size() * 2 + replacement.size());
            dst = out.data() + used;
            dst_left = out.size() - used;
        }
        for (char c : replacement) { *dst++ = c; --dst_left; }
        size_t n = std::min(src_left, skip(std::string_view(src, src_left)));
        src += n;
        src_left -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - dst_left);
    return out;
}

// How many bytes of code page 936 one "?" stands for at a byte that did not
// convert: a lead byte (0x81..0xFE) with a byte that may follow one
// (0x40..0xFE but 0x7F) is one bad character; any other byte goes alone, so
// that an ASCII byte after a bad lead byte survives.
size_t cp936_bad_length(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x81 || lead > 0xFE || s.size() < 2) return 1;
    const auto trail = static_cast<unsigned char>(s[1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

} // namespace

namespace {

// Plain ASCII reads the same in both encodings; most of what crosses the
// wire is ASCII, so it skips the converter.
bool is_ascii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

std::string cp936_to_utf8(std::string_view local) {
    if (is_ascii(local)) return std::string(local);
    thread_local IconvHandle cd;
    return convert(converter("UTF-8", "CP936", cd), local, "?", cp936_bad_length);
}

std::string utf8_to_cp936(std::string_view utf8) {
    if (is_ascii(utf8)) return std::string(utf8);
    thread_local IconvHandle cd;
    return convert(converter("CP936", "UTF-8", cd), utf8, "?", utf8_sequence_length);
}

std::string cp936_to_utf16le(std::string_view local) {
    thread_local IconvHandle cd;
    return convert(converter("UTF-16LE", "CP936", cd), local, std::string_view("?\0", 2), cp936_bad_length);
}

std::string utf16le_to_cp936(std::string_view utf16le) {
    thread_local IconvHandle cd;
    return convert(converter("CP936", "UTF-16LE", cd), utf16le, "?", [](std::string_view s) {
        // Skip one code unit, or a whole surrogate pair.
        if (s.size() >= 4) {
            unsigned hi = static_cast<unsigned char>(s[1]);
            unsigned hi2 = static_cast<unsigned char>(s[3]);
            if (hi >= 0xD8 && hi <= 0xDB && hi2 >= 0xDC && hi2 <= 0xDF) return size_t{4};
        }
        return size_t{2};
    });
}

} // namespace gw
