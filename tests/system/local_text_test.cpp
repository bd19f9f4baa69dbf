#include "system/local_text.h"

#include "system/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

std::string L(const std::string& utf8) { return gw::utf8_to_cp936(utf8); }

TEST(LocalText, UntilNulEndsAtTheFirstNul) {
    struct Case {
        std::string_view text;
        std::string_view kept;
    };
    const Case cases[] = {
        {""sv, ""sv},
        {"abc"sv, "abc"sv},
        {"ab\0cd"sv, "ab"sv},
        {"\0abc"sv, ""sv},
        {"a\0\0b"sv, "a"sv},
        {"\xD6\xD0\0\xCE\xC4"sv, "\xD6\xD0"sv},  // 中\0文
    };
    for (const Case& c : cases) {
        const std::string_view kept = gw::until_nul(c.text);
        EXPECT_EQ(kept, c.kept) << "size " << c.text.size();
        EXPECT_EQ(kept.data(), c.text.data());  // a view of the same bytes
    }
}

TEST(LocalText, QuoteMarkerBecomesADoubleQuote) {
    struct Case {
        const char* what;
        std::string text;
        std::string replaced;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"no marker", L("a\"b 引号"), L("a\"b 引号")},
        {"marker alone", L("#引号"), "\""},
        {"every marker, side by side too", L("a#引号b#引号#引号"), "a\"b\"\""},
        {"a marker cut short stays", L("x#引"), L("x#引")},
        {"the first # before a marker stays", L("##引号号"), L("#\"号")},
        {"in a pattern", L("value=#引号(\\w+)#引号"), "value=\"(\\w+)\""},
        {"NUL is not the end", std::string("a\0#", 3) + L("引号"), std::string("a\0\"", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(gw::replace_quote_marker(c.text), c.replaced) << c.what;
}

TEST(LocalText, TrimBlanksTakesSpacesAndTabsOffBothEnds) {
    struct Case {
        std::string_view text;
        std::string_view trimmed;
    };
    const Case cases[] = {
        {""sv, ""sv},
        {" \t \t"sv, ""sv},
        {"x"sv, "x"sv},
        {" \ta b\t "sv, "a b"sv},
        {"\r a \r"sv, "\r a \r"sv},  // CR and LF are no blanks
        {"\na\n"sv, "\na\n"sv},
        {"\xA1\xA1k\xA1\xA1"sv, "\xA1\xA1k\xA1\xA1"sv},  // the full-width space is no blank
        {"\0 a \0"sv, "\0 a \0"sv},
    };
    for (const Case& c : cases) EXPECT_EQ(gw::trim_blanks(c.text), c.trimmed) << "size " << c.text.size();
}

TEST(LocalText, Utf8LeadByteAnnouncesTheSequenceLength) {
    struct Case {
        unsigned char byte;
        size_t length;
    };
    const Case cases[] = {
        {0x00, 1}, {0x41, 1}, {0x7F, 1},  // ASCII
        {0x80, 0}, {0xBF, 0},             // continuation bytes
        {0xC0, 2}, {0xDF, 2},
        {0xE0, 3}, {0xEF, 3},
        {0xF0, 4}, {0xF7, 4},
        {0xF8, 0}, {0xFE, 0}, {0xFF, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(gw::utf8_lead_length(c.byte), c.length) << std::hex << int{c.byte};

    for (std::string_view character : {"a"sv, "é"sv, "中"sv, "😀"sv})
        EXPECT_EQ(gw::utf8_lead_length(static_cast<unsigned char>(character[0])), character.size()) << character;
}

} // namespace
