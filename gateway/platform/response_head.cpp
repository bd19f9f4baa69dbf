#include "platform/response_head.h"

#include "callback/text_routines.h"
#include "platform/cookie_merge.h"
#include "system/ascii_case.h"

#include <string_view>

namespace gw {
namespace {

// Replaces every occurrence of `needle` in any ASCII letter case by
// `replacement`, matching on whole characters of the local text.
std::string replace_any_case(const std::string& text, std::string_view needle, std::string_view replacement) {
    std::string out;
    size_t from = 0;  // 0-based, where the unread rest begins
    for (;;) {
        size_t hit = find_local(text, needle, from + 1, true);
        if (hit == 0) break;
        out.append(text, from, hit - 1 - from);
        out += replacement;
        from = hit - 1 + needle.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

} // namespace

void process_response_head(const std::string& raw_head, ResponseHeadOutputs& out) {
    out.response_headers = raw_head;

    // From the 10th character to the line end: "HTTP/1.1 200 OK" -> "200 OK".
    out.status_text.clear();
    if (raw_head.size() > 9) {
        size_t end = raw_head.find("\r\n", 9);
        out.status_text = raw_head.substr(9, end == std::string::npos ? std::string::npos : end - 9);
    }

    out.response_headers = replace_any_case(out.response_headers, "Set-Cookie", "Set-Cookie");

    std::string_view rest = out.response_headers;
    while (!rest.empty()) {
        size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);

        if (find_local(line, "Set-Cookie") != 0) {
            std::string value = line.find(';') != std::string_view::npos
                                    ? text_between(line, "Set-Cookie:", ";")
                                    : replace_any_case(std::string(line), "Set-Cookie:", "");
            out.received_cookies += trim_spaces(value);
            out.received_cookies += "; ";
        }
        if (line.size() >= 10 && equal_ignoring_case(line.substr(0, 10), "Location: ")) {
            out.location_found = true;
            out.location = std::string(line.substr(10));
        }
    }
    size_t size = out.received_cookies.size();
    out.received_cookies.resize(size >= 2 ? size - 2 : 0);
}

} // namespace gw
