#pragma once
// Text messages go to the plug-ins on a worker thread of their own; the
// first reply that is XML goes back to the platform.
#include "system/client_link.h"

#include <chrono>
#include <memory>
#include <string>

namespace gw {

// Returns at once; nobody waits for the worker. Texts are local text.
// While `text_worker_limit()` workers are running, a further message is
// answered empty at once instead: a flood of messages (or a plug-in that
// hangs) must not pile up threads without end.
void start_text_worker(std::shared_ptr<ClientLink> link, ClientId client, std::string request_text,
                       std::string to_user, std::string from_user);

// The worker itself, run on the calling thread (tests call it directly).
void run_text_worker(ClientLink& link, ClientId client, const std::string& request_text, const std::string& to_user,
                     const std::string& from_user);

int text_worker_limit();
void set_text_worker_limit(int limit);
int running_text_workers();

// Waits until no worker runs or `timeout` has passed; true when none runs.
// The program calls it on its way out, so that workers end before what
// they use goes.
bool wait_for_text_workers(std::chrono::milliseconds timeout);

} // namespace gw
