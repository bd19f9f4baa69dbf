#include "system/log_sink.h"

#include <memory>
#include <mutex>

namespace gw {
namespace {

std::mutex g_mutex;
std::shared_ptr<const LogSink> g_sink;

} // namespace

void set_log_sink(LogSink sink) {
    auto next = sink ? std::make_shared<const LogSink>(std::move(sink)) : nullptr;
    std::lock_guard lock(g_mutex);
    g_sink = std::move(next);
}

void append_log(const std::string& local_text) {
    std::shared_ptr<const LogSink> sink;
    {
        std::lock_guard lock(g_mutex);
        sink = g_sink;
    }
    // Called outside the lock: a window sink waits for the GUI thread.
    if (sink) (*sink)(local_text);
}

} // namespace gw
