#include "system/event_pump.h"

#include "system/hook.h"

namespace gw {
namespace {

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

} // namespace gw
