#pragma once
// Text messages go to the plug-ins on a worker thread of their own; the
// first reply that is XML goes back to the platform.
#include "system/client_link.h"

#include <memory>
#include <string>

namespace gw {

// Returns at once; nobody waits for the worker. Texts are local text.
void start_text_worker(std::shared_ptr<ClientLink> link, ClientId client, std::string request_text,
                       std::string to_user, std::string from_user);

// The worker itself, run on the calling thread (tests call it directly).
void run_text_worker(ClientLink& link, ClientId client, const std::string& request_text, const std::string& to_user,
                     const std::string& from_user);

} // namespace gw
