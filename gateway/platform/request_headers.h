#pragma once
// The header text an HTTP request is sent with: the caller's lines first,
// then the browser-like default lines the caller's text does not mention.
#include <string>
#include <string_view>

namespace gw {

// `extra_headers`: lines separated by CR LF, without a final CR LF.
// `cookies`: the caller's cookie text; the Cookie line only when not empty.
// Every line of the result ends with CR LF.
std::string request_header_text(std::string_view extra_headers, std::string_view cookies);

} // namespace gw
