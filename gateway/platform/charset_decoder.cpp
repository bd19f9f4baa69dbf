#include "platform/charset_decoder.h"

#include "callback/text_routines.h"
#include "script/regexp.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace gw {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Converts to UTF-8; a byte that does not decode becomes U+FFFD.
std::string to_utf8(iconv_t cd, std::string_view in) {
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    auto grow = [&](size_t at_least) {
        size_t used = out.size() - dst_left;
        out.resize(out.size() * 2 + at_least);
        dst = out.data() + used;
        dst_left = out.size() - used;
    };
    while (src_left > 0) {
        if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            grow(0);
            continue;
        }
        if (dst_left < kReplacement.size()) grow(kReplacement.size());
        for (char c : kReplacement) { *dst++ = c; --dst_left; }
        ++src;
        --src_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a stateful encoding's shift sequence.
    if (dst_left < 16) grow(16);
    iconv(cd, nullptr, nullptr, &dst, &dst_left);
    out.resize(out.size() - dst_left);
    return out;
}

} // namespace

std::string declared_charset(std::string_view text) {
    RegExp expression;
    if (!expression.execute("<meta.+?charset=[^\\w]?([-\\w]+)", std::string(text.substr(0, 1024)))) return {};
    return expression.group_text(1, 1);
}

bool decode_charset(std::string_view bytes, const std::string& charset, std::string& local_text) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::unique_ptr<void, IconvCloser> owner(cd);
    std::string utf8 = to_utf8(cd, bytes);
    // A byte-order mark is no part of the text.
    std::string_view text = utf8;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    local_text = utf8_to_local(text);
    return true;
}

} // namespace gw
