// Starting text workers: the bound on running workers and waiting for them.
#include "callback/text_worker.h"

#include "system/log_sink.h"
#include "system/plugin_list.h"
#include "support/recording_link.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace gw {
namespace {

using namespace std::chrono_literals;

// Holds every worker inside its read of the plug-in list until opened.
class Gate {
public:
    std::vector<std::string> pass() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        return {};
    }
    void wait_for(int n) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return waiting_ >= n; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};

TEST(TextWorkers, BeyondTheLimitAMessageIsAnsweredEmptyAtOnce) {
    Gate gate;
    set_plugin_list_reader([&gate] { return gate.pass(); });
    const int old_limit = text_worker_limit();
    set_text_worker_limit(2);
    auto link = std::make_shared<test::RecordingLink>();

    start_text_worker(link, 1, "<xml/>", "gh", "o1");
    start_text_worker(link, 2, "<xml/>", "gh", "o2");
    gate.wait_for(2);
    EXPECT_EQ(running_text_workers(), 2);
    start_text_worker(link, 3, "<xml/>", "gh", "o3");
    // The third was turned away on the caller's thread, before any worker ended.
    EXPECT_EQ(link->closed(), std::vector<ClientId>{3});
    EXPECT_FALSE(wait_for_text_workers(50ms));

    gate.open();
    EXPECT_TRUE(wait_for_text_workers(10s));
    EXPECT_EQ(running_text_workers(), 0);
    EXPECT_EQ(link->closed().size(), 3u) << "the held ones are answered when they end";

    set_text_worker_limit(old_limit);
    set_plugin_list_reader(nullptr);
}

} // namespace
} // namespace gw
