#include "platform/request_headers.h"

#include "callback/text_routines.h"

namespace gw {

std::string request_header_text(std::string_view extra_headers, std::string_view cookies) {
    std::string text(extra_headers);
    if (!text.empty()) text += "\r\n";
    // Substring searches over the whole text, not only at line starts; only
    // the Content-Type search minds letter case and has no blank.
    auto mentions = [&text](std::string_view search) { return find_local(text, search, 1, true) != 0; };
    if (!mentions("User-Agent: "))
        text += "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
    if (!mentions("Accept: ")) text += "Accept: text/html, application/xhtml+xml, */*\r\n";
    if (!mentions("Accept-Encoding: ")) text += "Accept-Encoding: gbk, GB2312\r\n";
    if (!mentions("Accept-Language: ")) text += "Accept-Language: zh-cn\r\n";
    if (find_local(text, "Content-Type:") == 0) text += "Content-Type: application/x-www-form-urlencoded\r\n";
    if (!mentions("Cache-Control: ")) text += "Cache-Control: no-cache\r\n";
    if (!mentions("Cookie: ") && !cookies.empty()) {
        text += "Cookie: ";
        text += cookies;
        text += "\r\n";
    }
    return text;
}

} // namespace gw
