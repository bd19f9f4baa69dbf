#include "system/event_pump.h"

#include "system/hook.h"

#include <atomic>

namespace gw {
namespace {

std::atomic<bool> g_abandoned{false};

Hook<BlockingRunner>& runner() {
    static Hook<BlockingRunner> hook;
    return hook;
}

} // namespace

void set_blocking_runner(BlockingRunner runner_function) { runner().set(std::move(runner_function)); }

void run_blocking(const std::function<void()>& work) {
    if (auto current = runner().get())
        (*current)(work);
    else
        work();
}

void abandon_blocking_work() { g_abandoned = true; }

bool blocking_work_abandoned() { return g_abandoned; }

} // namespace gw
