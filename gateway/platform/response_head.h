#pragma once
// What the HTTP client takes out of a response head.
#include <string>

namespace gw {

struct ResponseHeadOutputs {
    std::string response_headers;   // the head, every Set-Cookie spelled so
    std::string status_text;        // "200 OK"
    std::string received_cookies;   // appended to, then the final "; " cut
    bool location_found = false;
    std::string location;           // valid when location_found
};

// `raw_head`: status line and header lines, each ending with CR LF, then the
// empty line. `out.received_cookies` holds the caller's text on entry.
void process_response_head(const std::string& raw_head, ResponseHeadOutputs& out);

} // namespace gw
