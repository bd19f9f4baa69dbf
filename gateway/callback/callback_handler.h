#pragma once
// The handler of every request that reaches the callback server: logs it,
// checks its signature against the configured Token, answers verifications
// and events, and hands text messages to a worker.
#include "system/client_link.h"

#include <memory>
#include <string>

namespace gw {

// Runs on the event-loop thread, once per complete request.
void handle_callback(const std::shared_ptr<ClientLink>& link, ClientId client, const std::string& bytes);

// The follow reply, in UTF-8. Texts are local text.
std::string build_text_reply(const std::string& content, const std::string& addressee, const std::string& sender);

// "HTTP/1.1 200 OK\r\n...Date: " + time text + "\r\n\r\n" + body.
std::string build_response(const std::string& body);

// Sends the response with `body` and closes the connection, which ends it.
void send_response_and_close(ClientLink& link, ClientId client, const std::string& body);

} // namespace gw
