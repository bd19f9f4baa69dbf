#include "system/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using gw::cp936_to_utf16le;
using gw::cp936_to_utf8;
using gw::utf16le_to_cp936;
using gw::utf8_to_cp936;

// "a" + one or more "?" + "b": a bad stretch may become one "?" or several,
// but the good characters around it survive.
::testing::AssertionResult question_marks_between(const std::string& out, const std::string& before,
                                                  const std::string& after) {
    if (out.size() > before.size() + after.size() && out.compare(0, before.size(), before) == 0 &&
        out.compare(out.size() - after.size(), after.size(), after) == 0 &&
        out.substr(before.size(), out.size() - before.size() - after.size()).find_first_not_of('?') ==
            std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got \"" << out << "\"";
}

TEST(CodePage, MalformedUtf8BecomesQuestionMarks) {
    const std::string bad[] = {
        "\x80",              // a stray continuation byte
        "\xC3",              // a sequence cut short
        "\xE4\xB8",          // cut short, three-byte
        "\xC0\xAF",          // overlong "/"
        "\xED\xA0\x80",      // an encoded surrogate
        "\xF8\x88\x80\x80",  // five-byte form
        "\xFF\xFE",
    };
    for (const auto& b : bad) {
        EXPECT_TRUE(question_marks_between(utf8_to_cp936("a" + b + "b"), "a", "b"));
        EXPECT_TRUE(question_marks_between(utf8_to_cp936("中" + b + "文"), "\xD6\xD0", "\xCE\xC4"));
    }
    EXPECT_TRUE(question_marks_between(utf8_to_cp936("\xE4\xB8"), "", ""));
}

TEST(CodePage, MalformedCodePage936BecomesQuestionMarks) {
    struct Case {
        std::string local, utf8;
    };
    const Case cases[] = {
        {"a\xB0", "a?"},           // lead byte at the end
        {"\xFF" "a", "?a"},        // no character begins with 0xFF
        {"\x81\x30" "1", "?01"},   // a digit is never a second byte: it stays
        {"\xB0\xA1\x81\x0A", "啊?\n"},
        {"\x80", "€"},             // the euro sign stands alone
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp936_to_utf8(c.local), c.utf8);
        EXPECT_EQ(cp936_to_utf16le(c.local), cp936_to_utf16le(utf8_to_cp936(c.utf8)));
    }
}

TEST(CodePage, Utf16RoundTrip) {
    const std::string local = utf8_to_cp936("中a€１");
    const std::string utf16("\x2D\x4E" "a\0" "\xAC\x20" "\x11\xFF", 8);
    EXPECT_EQ(cp936_to_utf16le(local), utf16);
    EXPECT_EQ(utf16le_to_cp936(utf16), local);
    EXPECT_EQ(cp936_to_utf16le(""), "");
    EXPECT_EQ(utf16le_to_cp936(""), "");
}

TEST(CodePage, Utf16OutsideTheCodePageBecomesQuestionMarks) {
    struct Case {
        std::string utf16, local;
    };
    const Case cases[] = {
        {std::string("a\0\x3D\xD8\x00\xDE" "b\0", 8), "a?b"},     // U+1F600, one "?" for the pair
        {std::string("a\0\x3D\xD8" "b\0", 6), "a?b"},             // a high surrogate alone
        {std::string("a\0\x00\xDE" "b\0", 6), "a?b"},             // a low surrogate alone
        {std::string("\x01\x0E" "b\0", 4), "?b"},                 // Thai, not in the code page
    };
    for (const auto& c : cases) EXPECT_EQ(utf16le_to_cp936(c.utf16), c.local);
}

} // namespace
