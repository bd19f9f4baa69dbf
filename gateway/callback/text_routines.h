#pragma once
// Shared text routines. "Local text" is code page 936 bytes.
#include <string>
#include <string_view>
#include <vector>

namespace gw {

// Both read their argument up to its first NUL.
std::string utf8_to_local(std::string_view utf8);
std::string local_to_utf8(std::string_view local);

// The text between the first `start_marker` at or after `start_position`
// (1-based) and the next `end_marker`; empty when either is missing.
// "#引号" in a marker stands for a double quote. Matches begin only on
// character boundaries of the local text.
std::string text_between(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                         long start_position = 1, bool case_insensitive = false);

// 1-based position of `needle` at or after `from`, found on character
// boundaries; 0 when absent.
size_t find_local(std::string_view haystack, std::string_view needle, size_t from = 1,
                  bool case_insensitive = false);

// The ASCII digits of the text, in order.
std::string digits_only(std::string_view text);

void sort_texts(std::vector<std::string>& list, bool descending = false, bool case_sensitive = true);

// Replaces every "#引号" (local text) by a double quote; the one defined
// with the other local-text helpers in system/local_text.h.
std::string replace_quote_marker(std::string_view text);

} // namespace gw
