#include "system/profile_file.h"

#include "support/temp_dir.h"
#include "system/code_page.h"
#include "system/program_paths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using gw::read_profile_string;
using gw::test::read_file;
using gw::test::write_file;
using gw::write_profile_string;

std::string L(const std::string& utf8) { return gw::utf8_to_cp936(utf8); }

class ProfileFile : public ::testing::Test {
protected:
    gw::test::TempDir dir;
    std::filesystem::path native = dir / "配置.ini";
    std::string file = gw::from_native_path(native);  // local text, as the program names it
    std::string section = L("公众号配置");
};

TEST_F(ProfileFile, Reads) {
    const std::string long_value(20000, 'x');
    struct Case {
        const char* name;
        std::string content;  // local text; empty: no file
        std::string section, key, expected;
    };
    const Case cases[] = {
        {"no file", "", "s", "k", ""},
        {"Chinese names", L("[公众号配置]\r\nToken=abc\r\n回复内容=你好\r\n"), section, L("回复内容"), L("你好")},
        {"missing section", "[other]\r\nk=1\r\n", "s", "k", ""},
        {"missing key", "[s]\r\nj=1\r\n", "s", "k", ""},
        {"key of another section", "[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "b", "k", ""},
        {"section and key in any case", "[Sect]\r\nAppId=v\r\n", "SECT", "appid", "v"},
        {"value trimmed", "[s]\r\n  k \t=  v w \t\r\n", "s", "k", "v w"},
        {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
        {"line ends of one byte", "[s]\nk=v\n", "s", "k", "v"},
        {"last line without line end", "[s]\r\nk=v", "s", "k", "v"},
        {"first of two keys", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
        {"header with blanks", "[ s ]\r\nk=v\r\n", "s", "k", "v"},
        {"comment line is not the key", "[s]\r\n;k=no\r\nk=yes\r\n", "s", "k", "yes"},
        {"value with =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        {"value cut to the limit", "[s]\r\nk=" + long_value + "\r\n", "s", "k", long_value.substr(0, 10239)},
        {"value just at the limit", "[s]\r\nk=" + long_value.substr(0, 10239) + "\r\n", "s", "k",
         long_value.substr(0, 10239)},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(native);
        if (!c.content.empty()) write_file(native, c.content);
        EXPECT_EQ(read_profile_string(file, c.section, c.key), c.expected) << c.name;
    }
}

TEST_F(ProfileFile, WriteCreatesFileAndSection) {
    ASSERT_TRUE(write_profile_string(file, section, "Token", "abc"));
    ASSERT_TRUE(write_profile_string(file, section, L("回复内容"), L("欢迎关注")));
    EXPECT_EQ(read_profile_string(file, section, "Token"), "abc");
    EXPECT_EQ(read_profile_string(file, section, L("回复内容")), L("欢迎关注"));

    struct stat st{};
    ASSERT_EQ(::stat(native.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ProfileFile, WriteKeepsEveryOtherLine) {
    const std::string before =
        "; settings\r\n"
        "[a]\r\n"
        "x=1\r\n"
        "k = old \r\n"
        "y=2\r\n"
        "\r\n"
        "[b]\r\n"
        "k=keep\r\n"
        "; end\n";
    struct Case {
        const char* name;
        std::string section, key, value, after;
    };
    const Case cases[] = {
        {"replace in place", "a", "k", "new",
         "; settings\r\n[a]\r\nx=1\r\nk=new\r\ny=2\r\n\r\n[b]\r\nk=keep\r\n; end\n"},
        {"append at the end of its section", "a", "z", "3",
         "; settings\r\n[a]\r\nx=1\r\nk = old \r\ny=2\r\nz=3\r\n\r\n[b]\r\nk=keep\r\n; end\n"},
        {"append to the last section", "b", "n", "4",
         "; settings\r\n[a]\r\nx=1\r\nk = old \r\ny=2\r\n\r\n[b]\r\nk=keep\r\n; end\nn=4\r\n"},
    };
    for (const auto& c : cases) {
        write_file(native, before);
        ASSERT_TRUE(write_profile_string(file, c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(read_file(native), c.after) << c.name;
        EXPECT_EQ(read_profile_string(file, c.section, c.key), c.value) << c.name;
    }
}

TEST_F(ProfileFile, WriteAddsAMissingSectionAtTheEnd) {
    const std::string before = "[a]\r\nx=1";  // no line end at the end
    write_file(native, before);
    ASSERT_TRUE(write_profile_string(file, section, "Token", "t"));
    const std::string after = read_file(native);
    EXPECT_EQ(after.substr(0, before.size() + 2), before + "\r\n");
    EXPECT_EQ(read_profile_string(file, "a", "x"), "1");
    EXPECT_EQ(read_profile_string(file, section, "Token"), "t");
}

TEST_F(ProfileFile, WriteMatchesTheKeyInAnyCase) {
    write_file(native, "[Sect]\r\nAppID=old\r\n");
    ASSERT_TRUE(write_profile_string(file, "sect", "appid", "new"));
    EXPECT_EQ(read_profile_string(file, "SECT", "APPID"), "new");
    EXPECT_EQ(read_file(native).find("old"), std::string::npos);
}

TEST_F(ProfileFile, LineBreakInAValueCannotShadowOtherSettings) {
    write_file(native, "[" + section + "]\r\nToken=good\r\nappsecret=s\r\n");
    for (const std::string& value : {std::string("hi\r\n[x]\r\nappsecret=evil"), std::string("hi\nToken=evil"),
                                     std::string("hi\rmore")}) {
        ASSERT_TRUE(write_profile_string(file, section, "reply", value));
        EXPECT_EQ(read_profile_string(file, section, "reply"), "hi");
        EXPECT_EQ(read_profile_string(file, section, "Token"), "good");
        EXPECT_EQ(read_profile_string(file, section, "appsecret"), "s");
        // A key written after it still lands in the section.
        ASSERT_TRUE(write_profile_string(file, section, "later", "v"));
        EXPECT_EQ(read_profile_string(file, section, "later"), "v");
    }
    EXPECT_EQ(read_file(native).find("evil"), std::string::npos);
}

TEST_F(ProfileFile, FailedWriteLeavesTheOldFile) {
    const std::string before = "[s]\r\nk=old\r\n";
    write_file(native, before);

    // The file system refuses anything past 4 KiB, so the new file cannot
    // be written whole.
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = write_profile_string(file, "s", "k", std::string(8192, 'v'));
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(written);
    EXPECT_EQ(read_file(native), before);
    // No half-written file is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileFile, WriteIntoAMissingDirectoryFails) {
    const std::string missing = gw::from_native_path(dir / "no such dir" / "配置.ini");
    EXPECT_FALSE(write_profile_string(missing, "s", "k", "v"));
    EXPECT_EQ(read_profile_string(missing, "s", "k"), "");
}

} // namespace
