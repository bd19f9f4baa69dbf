// The HTTP client over libcurl.
//
// Environment: GATEWAY_CA_FILE, when set and not empty, names a PEM file of
// CA certificates that HTTPS servers are checked against instead of
// libcurl's default store (tests use it to trust a CA of their own).
#include "platform/http_client.h"


#include "callback/text_routines.h"
#include "platform/charset_decoder.h"
#include "platform/cookie_merge.h"
#include "platform/request_headers.h"
#include "platform/response_head.h"
#include "system/ascii_case.h"
#include "system/event_pump.h"
#include "system/local_text.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

namespace gw {
namespace {

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

const std::string& error_text(int number) {
    static const std::map<int, std::string> texts = {
        {700, utf8_to_local("700 当前系统不支持WinHttp服务!")},
        {701, utf8_to_local("701 解析URL地址失败!")},
        {702, utf8_to_local("702 创建WinHttp会话失败!")},
        {703, utf8_to_local("703 创建WinHttp连接失败!")},
        {704, utf8_to_local("704 创建WinHttp请求失败!")},
        {705, utf8_to_local("705 设置超时时间失败!")},
        {707, utf8_to_local("707 设置代理凭证失败!")},
        {708, utf8_to_local("708 禁止自动设置Cookies失败!")},
        {709, utf8_to_local("709 重定向设置失败!")},
        {710, utf8_to_local("710 设置协议头失败!")},
        {711, utf8_to_local("711 发送请求失败!")},
        {712, utf8_to_local("712 服务器未响应!")},
        {713, utf8_to_local("713 读取数据失败!")},
    };
    return texts.at(number);
}

// main() initialises libcurl before any thread starts; tests and other
// hosts that skip it still get exactly one initialisation.
bool curl_ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// Spaces and bytes beyond ASCII (UTF-8) are escaped in the request target,
// as a browser does; everything else goes as written.
std::string escape_target_part(std::string_view part) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : part) {
        auto b = static_cast<unsigned char>(c);
        if (b == ' ' || b >= 0x80) {
            out += '%';
            out += digits[b >> 4];
            out += digits[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// Splits an absolute http or https URL (local text) into `url`. False for
// any other scheme, a missing host or a bad port.
bool split_url(CURLU* url, const std::string& local_url) {
    std::string text = local_to_utf8(local_url);
    size_t colon = text.find(':');
    // libcurl forgives "http:/host" and "http:///host"; a URL without an
    // authority of its own is refused here.
    if (colon == std::string::npos || text.compare(colon, 3, "://") != 0 || text.size() <= colon + 3 ||
        text[colon + 3] == '/')
        return false;
    if (curl_url_set(url, CURLUPART_URL, text.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK) return false;

    char* raw = nullptr;
    if (curl_url_get(url, CURLUPART_SCHEME, &raw, 0) != CURLUE_OK) return false;
    CurlText scheme(raw);
    if (std::strcmp(scheme.get(), "http") != 0 && std::strcmp(scheme.get(), "https") != 0) return false;

    raw = nullptr;
    if (curl_url_get(url, CURLUPART_HOST, &raw, 0) != CURLUE_OK) return false;
    CurlText host(raw);
    if (!host || !*host) return false;

    raw = nullptr;
    if (curl_url_get(url, CURLUPART_PORT, &raw, 0) == CURLUE_OK) {
        CurlText port(raw);
        if (std::strcmp(port.get(), "0") == 0) return false;
    }

    // Credentials come from their own arguments only, never from the URL.
    if (curl_url_set(url, CURLUPART_USER, nullptr, 0) != CURLUE_OK ||
        curl_url_set(url, CURLUPART_PASSWORD, nullptr, 0) != CURLUE_OK)
        return false;

    for (CURLUPart part : {CURLUPART_PATH, CURLUPART_QUERY}) {
        raw = nullptr;
        if (curl_url_get(url, part, &raw, 0) != CURLUE_OK) continue;
        CurlText value(raw);
        std::string escaped = escape_target_part(value.get());
        if (curl_url_set(url, part, escaped.c_str(), 0) != CURLUE_OK) return false;
    }
    return true;
}

// What the callbacks gather during one transfer. The transfer may run on a
// helper thread; the caller reads this only after it has ended.
struct Transfer {
    bool follow_redirects = true;
    bool request_started = false;  // a connection stood and a request went out
    // The send and receive time-out: how long no byte may move.
    std::chrono::steady_clock::duration stall_limit{};
    std::chrono::steady_clock::time_point last_progress{};
    curl_off_t bytes_in = 0;  // head and body bytes received
    curl_off_t progress_in = -1, progress_out = -1;
    std::string head;              // the head being read, or the last one read
    bool reading_head = false;
    bool head_complete = false;
    int status = 0;
    bool head_has_location = false;
    std::string body;
    std::string_view upload;       // the PUT body
    size_t upload_position = 0;

    // The head that the body belongs to: not an interim 1xx head, and not
    // a redirect that libcurl goes on to follow.
    bool final_head_received() const {
        if (!head_complete || (status >= 100 && status < 200)) return false;
        return !(follow_redirects && status >= 300 && status < 400 && head_has_location);
    }
};

int status_of(std::string_view status_line) {
    size_t blank = status_line.find(' ');
    if (blank == std::string_view::npos) return 0;
    int code = 0;
    for (size_t i = blank + 1; i < status_line.size() && i < blank + 4; ++i) {
        char c = status_line[i];
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

// libcurl hands over each head line as it arrives, of every head: interim
// 1xx heads, redirects followed, the final one, and trailers after the body.
size_t on_header(char* data, size_t size, size_t count, void* user) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    const size_t total = size * count;
    try {
        t.bytes_in += static_cast<curl_off_t>(total);
        std::string_view line(data, total);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (!t.reading_head) {
            if (!line.starts_with("HTTP/")) return total;  // a trailer
            t.reading_head = true;
            t.head_complete = false;
            t.head.clear();
            t.status = status_of(line);
            t.head_has_location = false;
        } else if (line.empty()) {
            t.head += "\r\n";
            t.reading_head = false;
            t.head_complete = true;
            return total;
        } else if (starts_with_ignoring_case(line, "Location:") && !trim_blanks(line.substr(9)).empty()) {
            t.head_has_location = true;
        }
        t.head.append(line);
        t.head += "\r\n";
        return total;
    } catch (...) {
        return 0;  // aborts the transfer
    }
}

size_t on_body(char* data, size_t size, size_t count, void* user) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    try {
        t.bytes_in += static_cast<curl_off_t>(size * count);
        t.body.append(data, size * count);
        return size * count;
    } catch (...) {
        return 0;
    }
}

size_t on_upload(char* buffer, size_t size, size_t count, void* user) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    size_t n = std::min(size * count, t.upload.size() - t.upload_position);
    std::memcpy(buffer, t.upload.data() + t.upload_position, n);
    t.upload_position += n;
    return n;
}

// A redirect that keeps the method sends the body again.
int on_upload_seek(void* user, curl_off_t offset, int origin) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > t.upload.size()) return CURL_SEEKFUNC_FAIL;
    t.upload_position = static_cast<size_t>(offset);
    return CURL_SEEKFUNC_OK;
}

int on_request_start(void* user, char*, char*, int, int) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    t.request_started = true;
    t.last_progress = std::chrono::steady_clock::now();
    return CURL_PREREQFUNC_OK;
}

// Called about once a second even when nothing moves. Connecting has its
// own time-out; once a request is out, the transfer ends when no byte has
// moved either way for the time-out.
int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t bytes_out) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    if (blocking_work_abandoned()) return 1;  // the program is ending
    auto now = std::chrono::steady_clock::now();
    if (!t.request_started || t.bytes_in != t.progress_in || bytes_out != t.progress_out) {
        t.progress_in = t.bytes_in;
        t.progress_out = bytes_out;
        t.last_progress = now;
        return 0;
    }
    return now - t.last_progress >= t.stall_limit ? 1 : 0;
}

template <typename T>
bool set(CURL* easy, CURLoption option, T value) {
    return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

bool is_header_named(std::string_view line, std::string_view name) {
    size_t colon = line.find(':');
    std::string_view field = trim_blanks(line.substr(0, colon));
    return field.size() == name.size() && starts_with_ignoring_case(field, name);
}

// The header text as libcurl's list. A caller's line replaces libcurl's own
// line of that name; libcurl's own Accept, Content-Type and Expect lines
// are suppressed when the text has none, so only the lines we chose go out
// besides Host (and Content-Length with a body). False for a line without
// a colon.
bool header_list(const std::string& header_text, std::unique_ptr<curl_slist, SlistCleanup>& list) {
    bool has_accept = false, has_content_type = false, has_expect = false;
    auto append = [&list](const std::string& line) {
        curl_slist* next = curl_slist_append(list.get(), line.c_str());
        if (!next) return false;
        list.release();
        list.reset(next);
        return true;
    };
    size_t pos = 0;
    while (pos < header_text.size()) {
        size_t end = header_text.find("\r\n", pos);
        if (end == std::string::npos) end = header_text.size();
        std::string line = header_text.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty()) continue;
        if (line.find(':') == std::string::npos) return false;
        has_accept = has_accept || is_header_named(line, "Accept");
        has_content_type = has_content_type || is_header_named(line, "Content-Type");
        has_expect = has_expect || is_header_named(line, "Expect");
        if (!append(line)) return false;
    }
    // "Name:" with nothing after it keeps libcurl from adding that line.
    if (!has_accept && !append("Accept:")) return false;
    if (!has_content_type && !append("Content-Type:")) return false;
    if (!has_expect && !append("Expect:")) return false;
    return true;
}

// Which failed step a transfer error belongs to: before any request went
// out (resolving, connecting, TLS) it is the send; after that, until the
// final head has arrived, it is the response; after it, the body.
int failed_step(const Transfer& t) {
    if (t.final_head_received()) return 713;
    return t.request_started ? 712 : 711;
}

} // namespace

std::string http_request(const std::string& url,
                         int method,
                         const std::string& post_data,
                         std::string* cookies,
                         std::string* received_cookies,
                         const std::string& extra_headers,
                         std::string* response_headers,
                         bool disable_redirects,
                         const std::string& user_name,
                         const std::string& password,
                         const std::string& proxy,
                         const std::string& proxy_user_name,
                         const std::string& proxy_password,
                         int timeout_seconds,
                         std::string* location,
                         std::string* status_text,
                         std::string* response_bytes,
                         bool merge_received) {
    try {
        auto fail = [status_text](int number) {
            if (status_text) *status_text = error_text(number);
            return std::string();
        };

        // 1. The HTTP service.
        if (!curl_ready()) return fail(700);

        // 2. The URL.
        std::unique_ptr<CURLU, UrlCleanup> parsed(curl_url());
        if (!parsed || !split_url(parsed.get(), url)) return fail(701);

        // 3. The session, with its proxy. WinHttp's "http=" proxy name for a
        // plain URL and the bare name for a secure one both come down to
        // "this URL goes through the proxy": libcurl asks it in absolute form
        // for http and through CONNECT for https. An empty name also keeps
        // libcurl from taking a proxy from the environment.
        std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
        if (!easy) return fail(702);
        CURL* h = easy.get();
        Transfer transfer;
        transfer.follow_redirects = !disable_redirects;
        const std::string proxy_name(until_nul(proxy));
        const char* ca_file = std::getenv("GATEWAY_CA_FILE");
        bool session = set(h, CURLOPT_NOSIGNAL, 1L) && set(h, CURLOPT_PROTOCOLS_STR, "http,https") &&
                       set(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
                       set(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
                       set(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) &&
                       set(h, CURLOPT_HEADERFUNCTION, on_header) && set(h, CURLOPT_HEADERDATA, &transfer) &&
                       set(h, CURLOPT_WRITEFUNCTION, on_body) && set(h, CURLOPT_WRITEDATA, &transfer) &&
                       set(h, CURLOPT_PREREQFUNCTION, on_request_start) &&
                       set(h, CURLOPT_PREREQDATA, &transfer) && set(h, CURLOPT_PROXY, proxy_name.c_str());
        if (session && ca_file && *ca_file) session = set(h, CURLOPT_CAINFO, ca_file);
        if (!session) return fail(702);

        // 4. The host and port.
        if (!set(h, CURLOPT_CURLU, parsed.get())) return fail(703);

        // 5. The verb; the body goes with every verb but HEAD.
        const std::string body(until_nul(post_data));
        const auto body_size = static_cast<curl_off_t>(body.size());
        bool request = false;
        switch (method) {
        case 1:
            request = set(h, CURLOPT_POSTFIELDSIZE_LARGE, body_size) && set(h, CURLOPT_POSTFIELDS, body.c_str());
            break;
        case 2:
            request = set(h, CURLOPT_NOBODY, 1L);
            break;
        case 3:
            transfer.upload = body;
            request = set(h, CURLOPT_UPLOAD, 1L) && set(h, CURLOPT_READFUNCTION, on_upload) &&
                      set(h, CURLOPT_READDATA, &transfer) && set(h, CURLOPT_SEEKFUNCTION, on_upload_seek) &&
                      set(h, CURLOPT_SEEKDATA, &transfer) && set(h, CURLOPT_INFILESIZE_LARGE, body_size);
            break;
        default:
            if (body.empty()) {
                request = set(h, CURLOPT_HTTPGET, 1L);
            } else {
                request = set(h, CURLOPT_POSTFIELDSIZE_LARGE, body_size) &&
                          set(h, CURLOPT_POSTFIELDS, body.c_str()) && set(h, CURLOPT_CUSTOMREQUEST, "GET");
            }
            break;
        }
        if (!request) return fail(704);

        // 6. Resolving and connecting are bounded by the connect time-out;
        // sending and receiving by "no byte moved for that long".
        const long seconds = timeout_seconds > 0 ? timeout_seconds : 30;
        transfer.stall_limit = std::chrono::seconds(seconds);
        if (!(set(h, CURLOPT_CONNECTTIMEOUT, seconds) && set(h, CURLOPT_NOPROGRESS, 0L) &&
              set(h, CURLOPT_XFERINFOFUNCTION, on_progress) && set(h, CURLOPT_XFERINFODATA, &transfer)))
            return fail(705);

        // 7. Basic credentials for the server, then for the proxy.
        const std::string user(until_nul(user_name)), pass(until_nul(password));
        if (!user.empty() && !pass.empty() &&
            !(set(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
              set(h, CURLOPT_USERNAME, user.c_str()) && set(h, CURLOPT_PASSWORD, pass.c_str())))
            return fail(707);
        const std::string proxy_user(until_nul(proxy_user_name)), proxy_pass(until_nul(proxy_password));
        if (!proxy_user.empty() && !proxy_pass.empty() &&
            !(set(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
              set(h, CURLOPT_PROXYUSERNAME, proxy_user.c_str()) &&
              set(h, CURLOPT_PROXYPASSWORD, proxy_pass.c_str())))
            return fail(707);

        // 8. Given cookies (even empty ones) turn the cookie engine on; it
        // keeps what redirects set within this call.
        if (cookies && !set(h, CURLOPT_COOKIEFILE, "")) return fail(708);

        // 9. Redirects; ten, as many as WinHttp follows.
        if (!(set(h, CURLOPT_FOLLOWLOCATION, disable_redirects ? 0L : 1L) && set(h, CURLOPT_MAXREDIRS, 10L)))
            return fail(709);

        // 10. Header lines.
        const std::string header_text =
            request_header_text(std::string(until_nul(extra_headers)),
                                cookies ? std::string(until_nul(*cookies)) : std::string());
        std::unique_ptr<curl_slist, SlistCleanup> headers;
        if (!header_list(header_text, headers) || !set(h, CURLOPT_HTTPHEADER, headers.get())) return fail(710);

        // 11 to 13. Send, receive the head, read the body. On the event-loop
        // thread this runs on a helper thread while the loop keeps turning.
        CURLcode code = CURLE_FAILED_INIT;
        run_blocking([&] { code = curl_easy_perform(h); });
        if (code != CURLE_OK) {
            int step = failed_step(transfer);
            if (step != 713) return fail(step);
            // The body read so far stands; the status replaces 713 below.
            if (status_text) *status_text = error_text(713);
        }

        // 14. No head, nothing to show.
        if (!transfer.head_complete) return {};

        // 15. The head.
        ResponseHeadOutputs head;
        if (received_cookies) head.received_cookies = *received_cookies;
        process_response_head(transfer.head, head);
        if (response_headers) *response_headers = head.response_headers;
        if (status_text) *status_text = head.status_text;
        if (location && head.location_found) *location = head.location;

        // 16. The cookie merge.
        std::string received = std::move(head.received_cookies);
        if (merge_received && cookies) received = merge_cookies(*cookies, received);
        if (received_cookies) *received_cookies = received;

        // 17. The body.
        std::string result(until_nul(transfer.body));
        if (response_bytes) *response_bytes = transfer.body;

        // 18. A charset declared in the page.
        std::string charset = declared_charset(result);
        if (!charset.empty() && charset != "gbk" && charset != "gb2312") decode_charset(transfer.body, charset, result);
        return result;
    } catch (...) {
        return {};
    }
}

} // namespace gw
