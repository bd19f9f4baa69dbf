#pragma once
// The sample plug-in's news reply. The plug-in shares nothing with the
// gateway but the export contract, so it keeps its own copies of the two
// shared routines it needs.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace sample {

// Code page 936 to UTF-8; "?" for what cannot be read.
std::string local_to_utf8(std::string_view local);

// Unix seconds followed by three millisecond digits, from one clock reading.
std::string create_time_text(std::chrono::system_clock::time_point moment = std::chrono::system_clock::now());

// One <item> of the reply, local text.
std::string build_item(const std::string& title, const std::string& description, const std::string& picture_url,
                       const std::string& link);

// The whole reply in UTF-8: one item per link; the other lists must be at
// least as long as `links`.
std::string build_news_reply(const std::vector<std::string>& titles, const std::vector<std::string>& descriptions,
                             const std::vector<std::string>& picture_urls, const std::vector<std::string>& links,
                             const std::string& addressee, const std::string& sender);

// The eight articles every message gets, addressed from `account` to `user`.
std::string sample_reply(const std::string& user, const std::string& account);

} // namespace sample
