#include "system/event_pump.h"

#include <memory>
#include <mutex>

namespace gw {
namespace {

std::mutex g_mutex;
std::shared_ptr<const BlockingRunner> g_runner;

} // namespace

void set_blocking_runner(BlockingRunner runner) {
    auto next = runner ? std::make_shared<const BlockingRunner>(std::move(runner)) : nullptr;
    std::lock_guard lock(g_mutex);
    g_runner = std::move(next);
}

void run_blocking(const std::function<void()>& work) {
    std::shared_ptr<const BlockingRunner> runner;
    {
        std::lock_guard lock(g_mutex);
        runner = g_runner;
    }
    if (runner)
        (*runner)(work);
    else
        work();
}

} // namespace gw
