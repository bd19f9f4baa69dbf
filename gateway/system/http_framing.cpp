#include "system/http_framing.h"

#include "system/ascii_case.h"
#include "system/local_text.h"

#include <algorithm>
#include <optional>

namespace gw {
namespace {

// The Content-Length of a head; nothing when absent, -1 when unreadable or
// when a Transfer-Encoding makes it meaningless (chunked bodies are not
// something the platform sends).
std::optional<long long> content_length(std::string_view head) {
    std::optional<long long> found;
    size_t pos = head.find("\r\n");
    while (pos != std::string_view::npos && pos + 2 < head.size()) {
        size_t start = pos + 2;
        size_t end = head.find("\r\n", start);
        std::string_view line = head.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (starts_with_ignoring_case(line, "transfer-encoding:")) return -1;
        if (starts_with_ignoring_case(line, "content-length:")) {
            std::string_view v = trim_blanks(line.substr(15));
            if (v.empty() || v.size() > 12) return -1;
            long long n = 0;
            for (char c : v) {
                if (c < '0' || c > '9') return -1;
                n = n * 10 + (c - '0');
            }
            // Two different lengths leave the end of the request unknown.
            if (found && *found != n) return -1;
            found = n;
        }
        pos = end;
    }
    return found;
}

} // namespace

Framing frame_http_request(std::string_view received, const FramingLimits& limits, size_t resume_at) {
    using State = Framing::State;
    size_t blank = received.find("\r\n\r\n", std::min(resume_at, received.size()));
    if (blank == std::string_view::npos) {
        // The blank line may still be on its way; its last byte at the
        // earliest makes the head one byte longer than what is here.
        State state = received.size() >= limits.max_head ? State::too_large : State::incomplete;
        return {state, 0, received.size() >= 3 ? received.size() - 3 : 0};
    }
    size_t head_length = blank + 4;
    if (head_length > limits.max_head) return {State::too_large, 0, 0};
    auto length = content_length(received.substr(0, blank + 2));
    if (length && *length < 0) return {State::too_large, 0, 0};
    size_t body = length ? static_cast<size_t>(*length) : 0;
    if (body > limits.max_body) return {State::too_large, 0, 0};
    if (received.size() - head_length < body) return {State::incomplete, 0, blank};
    return {State::complete, head_length + body, blank};
}

} // namespace gw
