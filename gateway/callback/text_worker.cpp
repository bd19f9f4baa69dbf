#include "callback/text_worker.h"

#include "callback/callback_handler.h"
#include "callback/text_routines.h"
#include "callback/time_texts.h"
#include "system/log_sink.h"
#include "system/module_loader.h"
#include "system/plugin_list.h"
#include "system/program_paths.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace gw {
namespace {

using PluginExport = const char* (*)(const char* from_user, const char* to_user, const char* content);

struct Texts {
    std::string received = utf8_to_local("收到文本消息：");
    std::string replied = utf8_to_local("回复文文消息：");
    std::string export_name = utf8_to_local("处理收到文本消息");
    std::string plugin_dir = "plugin/";
};

const Texts& texts() {
    // Never destroyed: a worker may still run while the program ends.
    static const Texts* t = new Texts;
    return *t;
}

struct WorkerCount {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int limit = 256;
};

WorkerCount& workers() {
    static WorkerCount* count = new WorkerCount;
    return *count;
}

// Holds one place among the running workers for as long as it lives.
class WorkerPlace {
public:
    WorkerPlace() = default;
    WorkerPlace(const WorkerPlace&) = delete;
    WorkerPlace& operator=(const WorkerPlace&) = delete;
    ~WorkerPlace() {
        if (!held_) return;
        WorkerCount& w = workers();
        std::lock_guard lock(w.mutex);
        --w.running;
        w.changed.notify_all();
    }
    bool take() {
        WorkerCount& w = workers();
        std::lock_guard lock(w.mutex);
        if (w.running >= w.limit) return false;
        ++w.running;
        held_ = true;
        return true;
    }

private:
    bool held_ = false;
};

// Calls one plug-in; empty when it cannot be loaded or lacks the export.
std::string call_plugin(const std::string& name, const std::string& from_user, const std::string& to_user,
                        const std::string& content) {
    LoadedModule* module = load_module(program_path(texts().plugin_dir + name));
    if (!module) return {};
    auto handler = reinterpret_cast<PluginExport>(find_export(*module, texts().export_name));
    if (!handler) return {};
    // A plug-in keeps only its last result: no second call may start
    // before this one's result is copied.
    std::lock_guard lock(module->call_lock);
    const char* reply = handler(from_user.c_str(), to_user.c_str(), content.c_str());
    return reply ? std::string(reply) : std::string();
}

} // namespace

void run_text_worker(ClientLink& link, ClientId client, const std::string& request_text, const std::string& to_user,
                     const std::string& from_user) {
    const Texts& t = texts();
    const std::string content = text_between(request_text, "<Content><![CDATA[", "]]></Content>");
    append_log("[" + time_text() + "]\r\n" + t.received + content + "\r\n\r\n");

    bool answered = false;
    for (const std::string& name : read_plugin_list()) {
        std::string reply;
        try {
            reply = call_plugin(name, from_user, to_user, content);
        } catch (...) {
            continue;  // a plug-in that throws gives no reply
        }
        if (find_local(reply, "<xml>") == 0) continue;
        send_response_and_close(link, client, reply);
        answered = true;
        append_log("[" + time_text() + "]\r\n" + t.replied + utf8_to_local(reply) + "\r\n\r\n");
    }
    // Left unanswered, the platform would retry and then tell the user the
    // account cannot serve: close with an empty answer instead.
    if (!answered) send_response_and_close(link, client, std::string());
}

void start_text_worker(std::shared_ptr<ClientLink> link, ClientId client, std::string request_text,
                       std::string to_user, std::string from_user) {
    auto place = std::make_shared<WorkerPlace>();
    if (!place->take()) {
        send_response_and_close(*link, client, std::string());
        return;
    }
    try {
        std::thread([link, client, place, request = std::move(request_text), to = std::move(to_user),
                     from = std::move(from_user)] {
            try {
                run_text_worker(*link, client, request, to, from);
            } catch (...) {
                // Nothing may escape a detached thread.
            }
        }).detach();
    } catch (...) {
        // No thread to be had: answer empty rather than leave it open.
        send_response_and_close(*link, client, std::string());
    }
}

int text_worker_limit() {
    std::lock_guard lock(workers().mutex);
    return workers().limit;
}

void set_text_worker_limit(int limit) {
    std::lock_guard lock(workers().mutex);
    workers().limit = limit;
}

int running_text_workers() {
    std::lock_guard lock(workers().mutex);
    return workers().running;
}

bool wait_for_text_workers(std::chrono::milliseconds timeout) {
    WorkerCount& w = workers();
    std::unique_lock lock(w.mutex);
    return w.changed.wait_for(lock, timeout, [&w] { return w.running == 0; });
}

} // namespace gw
