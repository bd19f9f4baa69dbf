// Opening plug-in modules by path and finding the export by its exact bytes.
#include "system/module_loader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace gw {
namespace {

const std::string kExport = "\xB4\xA6\xC0\xED\xCA\xD5\xB5\xBD\xCE\xC4\xB1\xBE\xCF\xFB\xCF\xA2";  // 处理收到文本消息

std::string plugin(const char* name) { return std::string(GATEWAY_TEST_PLUGIN_DIR) + "/" + name + ".dll"; }

TEST(ModuleLoader, SamePathGivesTheSameModule) {
    LoadedModule* a = load_module(plugin("xml_first"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(load_module(plugin("xml_first")), a);
    EXPECT_NE(load_module(plugin("xml_second")), a);
}

TEST(ModuleLoader, ConcurrentFirstLoadsAgree) {
    std::vector<LoadedModule*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = load_module(plugin("echo_content")); });
    for (auto& t : threads) t.join();
    ASSERT_NE(seen[0], nullptr);
    for (auto* m : seen) EXPECT_EQ(m, seen[0]);
}

TEST(ModuleLoader, ExportFoundByItsCodePage936Name) {
    LoadedModule* with = load_module(plugin("xml_first"));
    LoadedModule* without = load_module(plugin("no_export"));
    ASSERT_NE(with, nullptr);
    ASSERT_NE(without, nullptr);
    EXPECT_NE(find_export(*with, kExport), nullptr);
    EXPECT_EQ(find_export(*without, kExport), nullptr);
    // The UTF-8 spelling of the name is another name.
    EXPECT_EQ(find_export(*with, "处理收到文本消息"), nullptr);
}

TEST(ModuleLoader, WhatCannotBeOpenedGivesNull) {
    test::TempDir dir;
    test::write_file(dir / "fake.dll", "MZ this is no module");
    std::filesystem::create_directory(dir / "dir.dll");
    for (const auto& path : {(dir / "missing.dll").string(), (dir / "fake.dll").string(), (dir / "dir.dll").string(),
                             std::string()}) {
        EXPECT_EQ(load_module(path), nullptr) << path;
    }
    // A module that appears later still loads: failures are not remembered.
    std::filesystem::copy_file(plugin("xml_second"), dir / "late.dll");
    EXPECT_NE(load_module((dir / "late.dll").string()), nullptr);
}

} // namespace
} // namespace gw
