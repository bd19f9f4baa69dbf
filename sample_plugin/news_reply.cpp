#include "news_reply.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace sample {

std::string local_to_utf8(std::string_view local) {
    local = local.substr(0, local.find('\0'));
    std::string out;
    if (local.empty()) return out;
#ifdef _WIN32
    int wide_len = MultiByteToWideChar(936, 0, local.data(), static_cast<int>(local.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wide_len), L'\0');
    MultiByteToWideChar(936, 0, local.data(), static_cast<int>(local.size()), wide.data(), wide_len);
    int len = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_len, nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(len));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_len, out.data(), len, nullptr, nullptr);
#else
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    out.resize(local.size() * 3 + 4);
    char* src = const_cast<char*>(local.data());
    size_t src_left = local.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    while (src_left > 0) {
        if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;  // cannot happen: 3 bytes per input byte suffice
        // A byte that is no character becomes "?".
        *dst++ = '?';
        --dst_left;
        ++src;
        --src_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(out.size() - dst_left);
#endif
    return out;
}

std::string create_time_text(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    long long ms = duration_cast<milliseconds>(moment.time_since_epoch()).count();
    std::string millis = std::to_string(ms % 1000);
    std::string out = std::to_string(ms / 1000) + std::string(3 - millis.size(), '0') + millis;
    if (out.size() < 13) out.append(13 - out.size(), '0');
    return out;
}

std::string build_item(const std::string& title, const std::string& description, const std::string& picture_url,
                       const std::string& link) {
    return "<item><Title><![CDATA[" + title + "]]></Title><Description><![CDATA[" + description +
           "]]></Description><PicUrl><![CDATA[" + picture_url + "]]></PicUrl><Url><![CDATA[" + link +
           "]]></Url></item>";
}

std::string build_news_reply(const std::vector<std::string>& titles, const std::vector<std::string>& descriptions,
                             const std::vector<std::string>& picture_urls, const std::vector<std::string>& links,
                             const std::string& addressee, const std::string& sender) {
    std::string text = "<xml><ToUserName><![CDATA[" + addressee + "]]></ToUserName><FromUserName><![CDATA[" + sender +
                       "]]></FromUserName><CreateTime>" + create_time_text() +
                       "</CreateTime><MsgType><![CDATA[news]]></MsgType>";
    // Lists shorter than `links` would be read past their end: stop there.
    size_t count = std::min({links.size(), titles.size(), descriptions.size(), picture_urls.size()});
    std::string items;
    for (size_t k = 0; k < count; ++k) items += build_item(titles[k], descriptions[k], picture_urls[k], links[k]);
    text += "<ArticleCount>" + std::to_string(count) + "</ArticleCount><Articles>" + items + "</Articles></xml>";
    return local_to_utf8(text);
}

std::string sample_reply(const std::string& user, const std::string& account) {
    static const std::string picture = "https://mmbiz.qpic.cn/mmbiz_jpg/sample/cover.jpg";
    static const std::string link = "https://mp.weixin.qq.com/s/sample-article";
    std::vector<std::string> titles;
    for (int k = 1; k <= 8; ++k) titles.push_back("\xCD\xBC\xCE\xC4" + std::to_string(k));  // 图文k
    return build_news_reply(titles, std::vector<std::string>(8), std::vector<std::string>(8, picture),
                            std::vector<std::string>(8, link), user, account);
}

} // namespace sample
