#pragma once
// Finds where one HTTP request ends in the bytes received so far: the head
// up to its blank line, then as many body bytes as Content-Length says.
#include <cstddef>
#include <string_view>

namespace gw {

struct FramingLimits {
    size_t max_head = 64 * 1024;
    size_t max_body = 1024 * 1024;
};

struct Framing {
    // too_large also stands for a head whose end cannot be known: an
    // unreadable Content-Length, or a Transfer-Encoding.
    enum class State { incomplete, complete, too_large } state;
    size_t length = 0;     // bytes of the request when complete
    size_t resume_at = 0;  // where the next call on more bytes may begin its search
};

// `resume_at` from the previous call on a prefix of `received` saves
// searching the same bytes again as they trickle in.
Framing frame_http_request(std::string_view received, const FramingLimits& limits = {}, size_t resume_at = 0);

} // namespace gw
