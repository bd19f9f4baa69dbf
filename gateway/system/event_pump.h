#pragma once
// "Wait while the window keeps handling its events". A blocking operation
// started on the event-loop thread runs its work on a helper thread and
// keeps that loop turning until the work is done; on any other thread, or
// when no event loop is installed, the work simply runs inline.
#include <functional>

namespace gw {

using BlockingRunner = std::function<void(const std::function<void()>& work)>;

void set_blocking_runner(BlockingRunner runner);
void run_blocking(const std::function<void()>& work);

// Said when the event loop is ending while blocking work still runs (the
// program is on its way out): work that can give up early, a transfer
// waiting on a silent server say, should, instead of holding up the end.
void abandon_blocking_work();
bool blocking_work_abandoned();

} // namespace gw
