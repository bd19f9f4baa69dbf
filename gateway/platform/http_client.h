#pragma once
// One synchronous HTTP or HTTPS request. Texts are local text. Out and
// in/out arguments are pointers: null means the argument was omitted, which
// for `cookies` differs from an empty text. A failure leaves a numbered
// error text in `status_text` and returns empty text; nothing throws.
#include <string>

namespace gw {

std::string http_request(const std::string& url,
                         int method = 0,
                         const std::string& post_data = {},
                         std::string* cookies = nullptr,
                         std::string* received_cookies = nullptr,
                         const std::string& extra_headers = {},
                         std::string* response_headers = nullptr,
                         bool disable_redirects = false,
                         const std::string& user_name = {},
                         const std::string& password = {},
                         const std::string& proxy = {},
                         const std::string& proxy_user_name = {},
                         const std::string& proxy_password = {},
                         int timeout_seconds = 0,
                         std::string* location = nullptr,
                         std::string* status_text = nullptr,
                         std::string* response_bytes = nullptr,
                         bool merge_received = true);

} // namespace gw
