// The sample plug-in's reply, built directly and through its loaded export.
#include "news_reply.h"

#include "gateway_plugin.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <regex>

namespace {

const std::string kTitle1 = "\xCD\xBC\xCE\xC4" "1";  // 图文1 in code page 936

std::vector<std::string> all_between(const std::string& text, const std::string& open, const std::string& close) {
    std::vector<std::string> found;
    for (size_t pos = text.find(open); pos != std::string::npos; pos = text.find(open, pos + 1)) {
        size_t start = pos + open.size();
        found.push_back(text.substr(start, text.find(close, start) - start));
    }
    return found;
}

TEST(NewsReply, EightArticlesAddressedToTheWriter) {
    const std::string reply = sample::sample_reply("oUSER", "gh_ACCOUNT");
    EXPECT_EQ(reply.rfind("<xml><ToUserName><![CDATA[oUSER]]></ToUserName><FromUserName><![CDATA[gh_ACCOUNT]]>"
                          "</FromUserName><CreateTime>", 0), 0u);
    EXPECT_EQ(reply.substr(reply.size() - 6), "</xml>");
    EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(reply.find("<MsgType><![CDATA[news]]></MsgType><ArticleCount>8</ArticleCount><Articles><item>"),
              std::string::npos);

    const auto titles = all_between(reply, "<Title><![CDATA[", "]]>");
    ASSERT_EQ(titles.size(), 8u);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(titles[k], "图文" + std::to_string(k + 1));  // UTF-8, 3 bytes a character
    EXPECT_EQ(reply.find(kTitle1), std::string::npos) << "titles must not stay in code page 936";

    for (const auto& d : all_between(reply, "<Description><![CDATA[", "]]>")) EXPECT_EQ(d, "");
    for (const char* tag : {"<PicUrl><![CDATA[", "<Url><![CDATA["}) {
        auto urls = all_between(reply, tag, "]]>");
        ASSERT_EQ(urls.size(), 8u);
        EXPECT_EQ(urls[0].rfind("https://", 0), 0u);
        for (const auto& u : urls) EXPECT_EQ(u, urls[0]);
    }
    const auto times = all_between(reply, "<CreateTime>", "</CreateTime>");
    ASSERT_EQ(times.size(), 1u);
    EXPECT_TRUE(std::regex_match(times[0], std::regex("[0-9]{13}")));
}

TEST(NewsReply, ItemCountFollowsTheLinks) {
    const std::vector<std::string> titles{"a", "b", "c"}, descriptions{"x", "y", "z"}, pictures{"p", "q", "r"};
    struct Case {
        std::vector<std::string> links;
        const char* count;
    } cases[] = {{{}, "0"}, {{"l1"}, "1"}, {{"l1", "l2", "l3"}, "3"}};
    for (const auto& c : cases) {
        std::string reply = sample::build_news_reply(titles, descriptions, pictures, c.links, "u", "a");
        EXPECT_NE(reply.find(std::string("<ArticleCount>") + c.count + "</ArticleCount>"), std::string::npos);
        EXPECT_EQ(all_between(reply, "<item>", "</item>").size(), c.links.size());
    }
    // Lists shorter than the links are not read past their end.
    std::string reply = sample::build_news_reply({"only"}, {""}, {"p"}, {"l1", "l2"}, "u", "a");
    EXPECT_NE(reply.find("<ArticleCount>1</ArticleCount>"), std::string::npos);
}

TEST(NewsReply, ItemPiecesInOrder) {
    EXPECT_EQ(sample::build_item("T", "D", "P", "L"),
              "<item><Title><![CDATA[T]]></Title><Description><![CDATA[D]]></Description>"
              "<PicUrl><![CDATA[P]]></PicUrl><Url><![CDATA[L]]></Url></item>");
}

TEST(NewsReply, CreateTimeIsUnixMillisecondsFromOneReading) {
    using namespace std::chrono;
    const struct {
        long long ms;
        const char* text;
    } cases[] = {{1514160000007LL, "1514160000007"}, {1514160000999LL, "1514160000999"}, {1000000000000LL, "1000000000000"}};
    for (const auto& c : cases)
        EXPECT_EQ(sample::create_time_text(system_clock::time_point(milliseconds(c.ms))), c.text);
}

class LoadedSample : public testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(GATEWAY_SAMPLE_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        handler_ = reinterpret_cast<gateway_plugin_handler>(dlsym(handle_, GATEWAY_PLUGIN_EXPORT_NAME));
        ASSERT_NE(handler_, nullptr) << "export under its code-page-936 name";
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }
    void* handle_ = nullptr;
    gateway_plugin_handler handler_ = nullptr;
};

TEST_F(LoadedSample, RepliesDifferOnlyInAddressesAndTime) {
    std::string first = handler_("oA", "gh_1", "hello");
    std::string second = handler_("oB", "gh_2", "\xC4\xE3\xBA\xC3");  // another content, in code page 936
    auto normalise = [](std::string s) {
        s = std::regex_replace(s, std::regex("<CreateTime>[0-9]+</CreateTime>"), "<CreateTime/>");
        s = std::regex_replace(s, std::regex("<ToUserName><!\\[CDATA\\[[^\\]]*\\]\\]>"), "<ToUserName>");
        return std::regex_replace(s, std::regex("<FromUserName><!\\[CDATA\\[[^\\]]*\\]\\]>"), "<FromUserName>");
    };
    EXPECT_EQ(normalise(first), normalise(second));
    EXPECT_NE(first.find("[oA]"), std::string::npos);
    EXPECT_NE(second.find("[oB]"), std::string::npos);
}

TEST_F(LoadedSample, NullArgumentsCountAsEmptyText) {
    const char* reply = handler_(nullptr, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    EXPECT_NE(std::string(reply).find("<ToUserName><![CDATA[]]></ToUserName><FromUserName><![CDATA[]]>"),
              std::string::npos);
}

} // namespace
