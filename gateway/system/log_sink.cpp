#include "system/log_sink.h"

#include "system/hook.h"

namespace gw {
namespace {

Hook<LogSink>& sink() {
    static Hook<LogSink> hook;
    return hook;
}

} // namespace

void set_log_sink(LogSink sink_function) { sink().set(std::move(sink_function)); }

void append_log(const std::string& local_text) {
    if (auto current = sink().get()) (*current)(local_text);
}

} // namespace gw
