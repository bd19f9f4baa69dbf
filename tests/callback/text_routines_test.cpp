#include "callback/text_routines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gw::local_to_utf8;
using gw::utf8_to_local;

// Tests are written in UTF-8; the routines take local text.
std::string L(const std::string& utf8) { return utf8_to_local(utf8); }

TEST(LocalTextConversion, RoundTripsCharactersOfTheCodePage) {
    const std::string texts[] = {
        "",
        "plain ASCII ~!@#$%^&*()_+\r\n\t",
        "中文",
        "配置.ini 公众号配置",
        "丄乤丂",              // GBK beyond GB2312
        "€·—￥「」１２３ａＢ",  // symbols and full-width forms
        "混合 mixed 文本\r\n第二行",
    };
    for (const auto& text : texts) EXPECT_EQ(local_to_utf8(utf8_to_local(text)), text) << text;
}

TEST(LocalTextConversion, WritesCodePage936Bytes) {
    EXPECT_EQ(utf8_to_local("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(utf8_to_local("a€"), "a\x80");
    EXPECT_EQ(local_to_utf8("\xD6\xD0\xCE\xC4"), "中文");
}

TEST(LocalTextConversion, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    struct Case {
        std::string utf8, local;
    };
    const Case cases[] = {
        {"😀", "?"},
        {"a😀b", "a?b"},
        {"ก中", "?\xD6\xD0"},  // Thai
        {"😀😀", "??"},
    };
    for (const auto& c : cases) EXPECT_EQ(utf8_to_local(c.utf8), c.local) << c.utf8;
}

TEST(LocalTextConversion, StopsAtTheFirstNul) {
    EXPECT_EQ(utf8_to_local(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(local_to_utf8(std::string("\xD6\xD0\0\xCE\xC4", 5)), "中");
    EXPECT_EQ(utf8_to_local(std::string("\0x", 2)), "");
}

TEST(TextBetween, Cases) {
    struct Case {
        const char* name;
        std::string source, start, end;
        long start_position;
        bool case_insensitive;
        std::string expected;
    };
    const Case cases[] = {
        {"between markers", "<a>x</a>", "<a>", "</a>", 1, false, "x"},
        {"first start, next end", "[1][2]", "[", "]", 1, false, "1"},
        {"markers side by side", "<a></a>", "<a>", "</a>", 1, false, ""},
        {"no start marker", "x</a>", "<a>", "</a>", 1, false, ""},
        {"no end marker", "<a>x", "<a>", "</a>", 1, false, ""},
        {"end marker only before the start", "</a>x<a>y", "<a>", "</a>", 1, false, ""},
        {"start and end alike", "|a|b|", "|", "|", 1, false, "a"},
        {"start position", "a1;a2;", "a", ";", 2, false, "2"},
        {"start position on the marker", "a1;a2;", "a", ";", 4, false, "2"},
        {"start position below 1", "a1;a2;", "a", ";", -5, false, "1"},
        {"start position past the end", "a1;", "a", ";", 10, false, ""},
        {"case matters by default", "<A>x</A>", "<a>", "</a>", 1, false, ""},
        {"case ignored on request", "<A>x</A>", "<a>", "</a>", 1, true, "x"},
        {"quote marker in the start", "value=\"abc\"", L("value=#引号"), L("#引号"), 1, false, "abc"},
        {"quote marker only in markers", L("k=#引号v#引号"), "k=\"", "\"", 1, false, ""},
        {"Chinese markers", L("<名称>测试</名称>"), L("<名称>"), L("</名称>"), 1, false, L("测试")},
        // D6D0 CEC4: the bytes D0CE in the middle are "形" but not a character there.
        {"start never on a second byte", L("中文形abc;"), L("形"), ";", 1, false, "abc"},
        {"start only across two characters", L("中文abc;"), L("形"), ";", 1, false, ""},
        // CEC4 D6D0: C4D6 in the middle is "闹".
        {"end never on a second byte", L("x文中闹"), "x", L("闹"), 1, false, L("文中")},
        // 丄 is 81 41 and 乤 is 81 61: the second bytes look like "A" and "a".
        {"a character has no case", L("丄x;"), L("乤"), ";", 1, true, ""},
        {"same character ignoring case", L("丄x;"), L("丄"), ";", 1, true, "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gw::text_between(c.source, c.start, c.end, c.start_position, c.case_insensitive), c.expected)
            << c.name;
}

TEST(DigitsOnly, KeepsTheAsciiDigitsInOrder) {
    struct Case {
        std::string text, digits;
    };
    const Case cases[] = {
        {std::string("12345&openid=o6_bmjrPTlm6_2sgVt7hMZOPfL2M").substr(0, 13), "12345"},
        {"no digits here", ""},
        {"", ""},
        {"a1b2c3", "123"},
        {L("第１２名3"), "3"},  // full-width digits are dropped
        {L("中9文0"), "90"},
    };
    for (const auto& c : cases) EXPECT_EQ(gw::digits_only(c.text), c.digits) << c.text;
}

TEST(SortTexts, Orders) {
    using List = std::vector<std::string>;
    struct Case {
        const char* name;
        List input;
        bool descending, case_sensitive;
        List expected;
    };
    const Case cases[] = {
        {"digits before letters", {"b", "1", "a", "9"}, false, true, {"1", "9", "a", "b"}},
        {"prefix first", {"abc", "a", "ab"}, false, true, {"a", "ab", "abc"}},
        {"first difference decides, not length", {"2", "10", "1", "05"}, false, true, {"05", "1", "10", "2"}},
        {"longer digits", {"3", "23", "123", "1234"}, false, true, {"123", "1234", "23", "3"}},
        {"letters without regard to case", {"B", "a", "C"}, false, true, {"a", "B", "C"}},
        {"lower case first among equals", {"A", "a"}, false, true, {"a", "A"}},
        {"descending", {"1", "a", "10", "2"}, true, true, {"a", "2", "10", "1"}},
        {"empty list", {}, false, true, {}},
        {"empty text first", {"a", ""}, false, true, {"", "a"}},
    };
    for (const auto& c : cases) {
        List list = c.input;
        gw::sort_texts(list, c.descending, c.case_sensitive);
        EXPECT_EQ(list, c.expected) << c.name;
    }
}

TEST(SortTexts, CaseInsensitiveKeepsEachTextsOwnCase) {
    std::vector<std::string> list{"b2", "A1", "a1", "B2", "c"};
    gw::sort_texts(list, false, false);
    ASSERT_EQ(list.size(), 5u);
    // "a1" and "A1" are equal now, so either may come first.
    EXPECT_TRUE((list[0] == "a1" && list[1] == "A1") || (list[0] == "A1" && list[1] == "a1"));
    EXPECT_TRUE((list[2] == "b2" && list[3] == "B2") || (list[2] == "B2" && list[3] == "b2"));
    EXPECT_EQ(list[4], "c");

    std::vector<std::string> descending{"b", "C", "a"};
    gw::sort_texts(descending, true, false);
    EXPECT_EQ(descending, (std::vector<std::string>{"C", "b", "a"}));
}

TEST(QuoteMarker, BecomesADoubleQuote) {
    EXPECT_EQ(gw::replace_quote_marker(L("a#引号b#引号#引号")), "a\"b\"\"");
    EXPECT_EQ(gw::replace_quote_marker(L("#引 号")), L("#引 号"));
    EXPECT_EQ(gw::replace_quote_marker(""), "");
}

} // namespace
