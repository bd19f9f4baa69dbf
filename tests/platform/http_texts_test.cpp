// The HTTP client's text routines that need no network: wide text and the
// cookie merge.
#include "callback/text_routines.h"
#include "platform/cookie_merge.h"
#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using namespace std::string_literals;

std::string local(std::string_view utf8) { return gw::utf8_to_local(utf8); }

// Failure messages name the case instead of dumping its bytes.
template <typename Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

TEST(WideText, ConvertsLocalTextWithItsTerminatorUnlessDropped) {
    EXPECT_EQ(gw::text_to_utf16(""), "");
    EXPECT_EQ(gw::text_to_utf16("", true), "");
    EXPECT_EQ(gw::text_to_utf16("Ab"), "A\0b\0\0\0"s);
    EXPECT_EQ(gw::text_to_utf16("Ab", true), "A\0b\0"s);
    // 中 is U+4E2D, two bytes in code page 936.
    EXPECT_EQ(gw::text_to_utf16(local("中")), "\x2D\x4E\0\0"s);
    // Local text ends at its NUL.
    EXPECT_EQ(gw::text_to_utf16("a\0b"s, true), "a\0"s);
}

TEST(WideText, BackToLocalTextEndsAtTheFirstNulCharacter) {
    EXPECT_EQ(gw::utf16_to_text(""), "");
    EXPECT_EQ(gw::utf16_to_text("A\0b\0"s), "Ab");
    EXPECT_EQ(gw::utf16_to_text("A\0\0\0b\0"s), "A");
    // A zero byte inside a code unit is no terminator: U+0100 is 00 01.
    EXPECT_EQ(gw::utf16_to_text("x\0\0\x01"s), "x?");  // U+0100 has no place in code page 936
    EXPECT_EQ(gw::utf16_to_text("\x2D\x4E"s), local("中"));
    EXPECT_EQ(gw::utf16_to_text(gw::text_to_utf16(local("甲乙 abc"))), local("甲乙 abc"));
}

struct MergeCase {
    const char* name;
    std::string old_cookies;
    std::string received;
    std::string expected;
};

class CookieMergeTable : public testing::TestWithParam<MergeCase> {};

TEST_P(CookieMergeTable, ServerCookiesFirstThenTheCallersOthers) {
    const MergeCase& c = GetParam();
    std::string old_cookies = c.old_cookies;
    std::string received = c.received;
    std::string result = gw::merge_cookies(old_cookies, received);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(old_cookies, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieMergeTable,
    testing::Values(
        MergeCase{"server_wins_and_deleted_goes", "a=1; k=3", "a=2; d=deleted", "a=2; k=3"},
        MergeCase{"nothing_received", "a=1; k=3", "", "a=1; k=3"},
        MergeCase{"nothing_old", "", "a=2; b=3", "a=2; b=3"},
        MergeCase{"both_empty", "", "", ""},
        MergeCase{"deleting_an_old_cookie", "a=1; k=3", "k=deleted", "a=1"},
        MergeCase{"deleted_must_end_the_piece", "a=1", "x=deletedX; y=undeleted", "x=deletedX; y=undeleted; a=1"},
        MergeCase{"first_of_two_old_pieces_with_one_name", "a=1; a=5; b=2", "", "a=1; b=2"},
        MergeCase{"repeats_removed", "", "a=1; a=1; b=2", "a=1; b=2"},
        MergeCase{"same_name_other_value_in_received_stays", "", "a=1; a=2", "a=1; a=2"},
        MergeCase{"spaces_everywhere_removed", " a = 1 ;k=3 ", "b=2", "b=2; a=1; k=3"},
        MergeCase{"full_width_space_removed", "a=1;\xA1\xA1k=3", "", "a=1; k=3"},
        MergeCase{"piece_without_value_is_its_own_name", "flag; a=1", "flag=on", "flag=on; a=1"},
        MergeCase{"final_separator_gives_no_piece", "a=1;", "b=2;", "b=2; a=1"},
        MergeCase{"empty_piece_between_separators_stays", "a=1;;k=3", "", "a=1; ; k=3"},
        MergeCase{"names_compared_exactly", "A=1", "a=2", "a=2; A=1"}),
    [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST(CookieMerge, WalksWholeCharactersWhenRemovingFullWidthSpaces) {
    // 啊、 is B0 A1 A1 A2: the bytes A1 A1 straddle two characters and are
    // no full-width space.
    std::string old_cookies = local("n=啊、; m=1") + "\xA1\xA1";
    std::string received;
    EXPECT_EQ(gw::merge_cookies(old_cookies, received), local("n=啊、; m=1"));
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEqualsSign) {
    EXPECT_EQ(gw::cookie_name("a=1=2"), "a");
    EXPECT_EQ(gw::cookie_name(" sid =x"), "sid");
    EXPECT_EQ(gw::cookie_name("flag"), "flag");
    EXPECT_EQ(gw::cookie_name("=x"), "");
}

} // namespace
