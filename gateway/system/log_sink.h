#pragma once
// The message log as the core sees it. Whoever hosts the core (the main
// window, the headless runner, a test) installs the sink; `append_log` may
// be called from any thread and returns once the text is in place.
#include <functional>
#include <string>

namespace gw {

using LogSink = std::function<void(const std::string& local_text)>;

// An empty sink drops every line.
void set_log_sink(LogSink sink);
void append_log(const std::string& local_text);

} // namespace gw
