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
    // too_large also stands for a head whose Content-Length cannot be read.
    enum class State { incomplete, complete, too_large } state;
    size_t length = 0;  // bytes of the request when complete
};

Framing frame_http_request(std::string_view received, const FramingLimits& limits = {});

} // namespace gw
