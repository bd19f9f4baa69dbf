#include "script/regexp.h"

#include "system/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gw::RegExp;

// Tests are written in UTF-8; the object takes local text.
std::string L(const std::string& utf8) { return gw::utf8_to_cp936(utf8); }

std::vector<std::string> all_matches(const RegExp& re) {
    std::vector<std::string> out;
    for (int m = 1; m <= re.match_count(); ++m) out.push_back(re.match_text(m));
    return out;
}

std::vector<int> all_positions(const RegExp& re) {
    std::vector<int> out;
    for (int m = 1; m <= re.match_count(); ++m) {
        int position = -2;
        re.match_text(m, &position);
        out.push_back(position);
    }
    return out;
}

TEST(RegExpDigits, MatchesEachDigitInOrder) {
    struct Case {
        std::string subject;
        std::vector<std::string> digits;
    };
    const Case cases[] = {
        {"a1b22c3", {"1", "2", "2", "3"}},
        {"9x", {"9"}},
        {"letters only", {}},
        {"", {}},
        {L("１２３全角4"), {"4"}},  // full-width digits are not [0-9]
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute("[0-9]", c.subject)) << c.subject;
        EXPECT_EQ(all_matches(re), c.digits) << c.subject;
    }
}

TEST(RegExpMetaCharset, GroupOneIsTheCharsetWhateverTheCase) {
    const std::string pattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
    struct Case {
        std::string head;
        std::string charset;  // empty: no match
    };
    const Case cases[] = {
        {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />", "gb2312"},
        {"<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\">", "UTF-8"},
        {"<meta charset=\"utf-8\"><title>x</title>", "utf-8"},
        {"<Meta Name=x Charset=big5>", "big5"},
        // "." does not cross a line break, so the tag must be on one line.
        {"<meta name=\"x\"\r\ncharset=\"gbk\">", ""},
        {"<head><title>no charset</title></head>", ""},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute(pattern, c.head)) << c.head;
        EXPECT_EQ(re.group_text(1, 1), c.charset) << c.head;
        EXPECT_EQ(re.match_count(), c.charset.empty() ? 0 : 1) << c.head;
    }
}

TEST(RegExpMetaCharset, GroupPositionCountsLocalBytes) {
    const std::string head = L("<title>中文标题</title><meta content=\"text/html; charset=gbk\">");
    RegExp re;
    ASSERT_TRUE(re.execute("<meta.+?charset=[^\\w]?([-\\w]+)", head));
    int position = -2;
    EXPECT_EQ(re.group_text(1, 1, &position), "gbk");
    EXPECT_EQ(position, static_cast<int>(head.find("gbk")));
    EXPECT_EQ(re.match_text(1, &position).substr(0, 5), "<meta");
    EXPECT_EQ(position, static_cast<int>(head.find("<meta")));
    EXPECT_EQ(re.group_count(), 1);
}

TEST(RegExpNumbers, OutOfRangeGivesEmptyText) {
    RegExp re;
    ASSERT_TRUE(re.execute("(\\d)(x)?", "a1b2"));
    ASSERT_EQ(re.match_count(), 2);
    ASSERT_EQ(re.group_count(), 2);
    for (int match : {0, -1, 3}) {
        int position = 99;
        EXPECT_EQ(re.match_text(match, &position), "") << match;
        EXPECT_EQ(position, -1) << match;
    }
    struct Case {
        int match, group;
    };
    for (const Case c : {Case{1, 0}, Case{1, -1}, Case{1, 3}, Case{0, 1}, Case{3, 1}}) {
        int position = 99;
        EXPECT_EQ(re.group_text(c.match, c.group, &position), "") << c.match << "," << c.group;
        EXPECT_EQ(position, -1) << c.match << "," << c.group;
    }
    // A group that took no part is empty too, but the match stands.
    int position = 99;
    EXPECT_EQ(re.group_text(2, 1, &position), "2");
    EXPECT_EQ(position, 3);
    EXPECT_EQ(re.group_text(2, 2, &position), "");
    EXPECT_EQ(position, -1);
}

TEST(RegExpNumbers, NoMatchMeansNoGroups) {
    RegExp re;
    ASSERT_TRUE(re.execute("(a)(b)", "xyz"));
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.group_count(), 0);
    EXPECT_EQ(re.match_text(1), "");
}

TEST(RegExpQuoteFlag, MarkerStandsForADoubleQuoteOnlyWithTheFlag) {
    const std::string pattern = L("value=#引号(\\w+)#引号");
    const std::string quoted = "<input value=\"abc\">";
    const std::string literal = L("<input value=#引号abc#引号>");

    RegExp re;
    ASSERT_TRUE(re.execute(pattern, quoted, false, true, true, true));
    EXPECT_EQ(re.group_text(1, 1), "abc");
    EXPECT_EQ(re.get_pattern(), "value=\"(\\w+)\"");
    ASSERT_TRUE(re.execute(pattern, literal, false, true, true, true));
    EXPECT_EQ(re.match_count(), 0);

    ASSERT_TRUE(re.execute(pattern, quoted));
    EXPECT_EQ(re.match_count(), 0);
    ASSERT_TRUE(re.execute(pattern, literal));
    EXPECT_EQ(re.group_text(1, 1), "abc");
    EXPECT_EQ(re.get_pattern(), pattern);
}

TEST(RegExpOptions, DefaultsAndSwitches) {
    struct Case {
        const char* name;
        std::string pattern, subject;
        bool case_sensitive, multi_line, global;
        std::vector<std::string> matches;
    };
    const Case cases[] = {
        {"case ignored by default", "abc", "xABCx", false, true, true, {"ABC"}},
        {"case-sensitive", "abc", "xABCx abc", true, true, true, {"abc"}},
        {"^ at each line", "^\\w", "ab\r\ncd\ne", false, true, true, {"a", "c", "e"}},
        {"^ at start only", "^\\w", "ab\r\ncd", false, false, true, {"a"}},
        {"$ before CR LF", "\\w$", "ab\r\ncd", false, true, true, {"b", "d"}},
        {"$ at end only", "\\w$", "ab\r\ncd", false, false, true, {"d"}},
        {"dot stops at CR and LF", ".+", "ab\r\ncd\ref", false, true, true, {"ab", "cd", "ef"}},
        {"first match only", "\\d+", "1 22 333", false, true, false, {"1"}},
        {"all matches", "\\d+", "1 22 333", false, true, true, {"1", "22", "333"}},
        {"\\w is ASCII", "\\w+", L("ab中文cd"), false, true, true, {"ab", "cd"}},
        {"\\u escape", "\\u4E2D", L("文中"), false, true, true, {L("中")}},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute(c.pattern, c.subject, c.case_sensitive, c.multi_line, c.global)) << c.name;
        EXPECT_EQ(all_matches(re), c.matches) << c.name;
    }
}

TEST(RegExpLocalText, PositionsAreByteOffsetsOnCharacterBoundaries) {
    struct Case {
        const char* name;
        std::string pattern, subject;
        std::vector<std::string> matches;
        std::vector<int> positions;
    };
    const Case cases[] = {
        {"digits after Chinese", "[0-9]+", L("中文abc中文123"), {"123"}, {11}},
        {"a Chinese pattern", L("文"), L("中文a文"), {L("文"), L("文")}, {2, 5}},
        {"dot takes whole characters", ".", L("中a文"), {L("中"), "a", L("文")}, {0, 2, 3}},
        // D6D0 CEC4: the middle bytes D0CE are "形" but never a character here.
        {"no match across two characters", L("形"), L("中文"), {}, {}},
        {"no match across, class", L("[形闹]"), L("文中文"), {}, {}},
        {"Chinese case-insensitively", L("ab中"), L("文AB中"), {L("AB中")}, {2}},
        // Bytes that make no character are kept and counted one by one.
        {"stray bytes", "[0-9]", std::string("\xFF" "1\x80" "2\xB0", 5), {"1", "2"}, {1, 3}},
        {"lone lead byte at the end", "a.", std::string("xa\xB0", 3), {std::string("a\xB0", 2)}, {1}},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute(c.pattern, c.subject)) << c.name;
        EXPECT_EQ(all_matches(re), c.matches) << c.name;
        EXPECT_EQ(all_positions(re), c.positions) << c.name;
    }
}

TEST(RegExpLocalText, EmptyMatchesMoveOnByOneCharacter) {
    struct Case {
        const char* name;
        std::string pattern, subject;
        std::vector<std::string> matches;
        std::vector<int> positions;
    };
    const Case cases[] = {
        {"empty everywhere", "x*", L("中a"), {"", "", ""}, {0, 2, 3}},
        {"empty and not", "a*", "baac", {"", "aa", "", ""}, {0, 1, 3, 4}},
        {"one $ per CR LF", "$", "a\r\nb", {"", ""}, {1, 4}},
        {"empty subject", "x*", "", {""}, {0}},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute(c.pattern, c.subject)) << c.name;
        EXPECT_EQ(all_matches(re), c.matches) << c.name;
        EXPECT_EQ(all_positions(re), c.positions) << c.name;
    }
}

TEST(RegExpRejected, BadPatternGivesEmptyValues) {
    for (const std::string pattern : {"(", "[a-", "a{2,1}", "*x", "(?<n>a)(?<n>b)"}) {
        RegExp re;
        ASSERT_TRUE(re.execute("\\d", "1 2"));
        ASSERT_EQ(re.match_count(), 2);
        EXPECT_FALSE(re.execute(pattern, "a1b2")) << pattern;
        EXPECT_EQ(re.match_count(), 0) << pattern;
        EXPECT_EQ(re.group_count(), 0) << pattern;
        EXPECT_EQ(re.match_text(1), "") << pattern;
        EXPECT_EQ(re.group_text(1, 1), "") << pattern;
        EXPECT_EQ(re.replace("x"), "") << pattern;
        EXPECT_EQ(re.get_pattern(), pattern);
    }
}

TEST(RegExpEmptyObject, EverythingIsEmpty) {
    RegExp re;
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.group_count(), 0);
    EXPECT_EQ(re.match_text(1), "");
    EXPECT_EQ(re.get_pattern(), "");
    EXPECT_EQ(re.replace("x"), "");
}

TEST(RegExpCopy, SharesResultsAndKeepsItsOwnSubject) {
    RegExp original;
    ASSERT_TRUE(original.execute("(\\d)", "a1b2", false, true, true));
    RegExp copy(original);
    RegExp assigned;
    ASSERT_TRUE(assigned.execute("z", "zzz"));
    assigned = original;

    // A new search by the original leaves what the copies hold alone.
    ASSERT_TRUE(original.execute("q", "q9"));
    for (const RegExp* re : {&copy, &assigned}) {
        EXPECT_EQ(re->get_pattern(), "(\\d)");
        EXPECT_EQ(all_matches(*re), (std::vector<std::string>{"1", "2"}));
        EXPECT_EQ(re->group_text(2, 1), "2");
        EXPECT_EQ(re->replace("<$1>"), "a<1>b<2>");
    }
    EXPECT_EQ(all_matches(original), (std::vector<std::string>{"q"}));
    EXPECT_EQ(original.replace("-"), "-9");

    // And a search by the copy leaves the original alone.
    ASSERT_TRUE(copy.execute("b", "abc"));
    EXPECT_EQ(all_matches(original), (std::vector<std::string>{"q"}));
}

TEST(RegExpReplace, WorksLikeTheScriptEngines) {
    struct Case {
        const char* name;
        std::string pattern, subject;
        bool global;
        std::string replacement, expected;
    };
    const Case cases[] = {
        {"all matches", "[0-9]", "a1b2", true, "X", "aXbX"},
        {"first match", "[0-9]", "a1b2", false, "X", "aXb2"},
        {"no match keeps the subject", "z", "abc", true, "X", "abc"},
        {"groups", "(\\w+)@(\\w+)", "me@host, you@there", true, "$2 at $1", "host at me, there at you"},
        {"whole match", "b", "abcb", true, "[$&]", "a[b]c[b]"},
        {"dollar", "b", "abc", true, "$$1", "a$1c"},
        {"before and after", "b", "abc", true, "<$'|$`>", "a<c|a>c"},
        {"group beyond the pattern stays", "(b)", "abc", true, "$2$0", "a$2$0c"},
        {"lone dollar at the end", "b", "abc", true, "$", "a$c"},
        {"group that took no part", "(a)|(b)", "ab", true, "[$2]", "[][b]"},
        {"empty matches", "x*", "ab", true, "-", "-a-b-"},
        {"ignores case", "ABC", "xabcx", true, "-", "x-x"},
        {"Chinese", L("文"), L("中文文"), true, L("字"), L("中字字")},
        {"not across characters", L("形"), L("中文"), true, "X", L("中文")},
        {"Chinese groups", L("(中)(文)"), L("a中文b"), true, L("$2$1"), L("a文中b")},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_TRUE(re.execute(c.pattern, c.subject, false, true, c.global)) << c.name;
        EXPECT_EQ(re.replace(c.replacement), c.expected) << c.name;
        // The object itself does not change.
        EXPECT_EQ(re.replace(c.replacement), c.expected) << c.name;
    }
}

} // namespace
