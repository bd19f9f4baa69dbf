// Takes its time and notices when two calls overlap; like every plug-in it
// keeps only its last result, so overlapping calls would also mix replies.
#include "gateway_plugin.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

static std::string g_last;
static std::atomic<int> g_inside{0};
static std::atomic<bool> g_overlapped{false};

GATEWAY_PLUGIN_HANDLER(const char* from_user, const char*, const char*) {
    if (g_inside.fetch_add(1) != 0) g_overlapped = true;
    g_last = std::string("<xml><To>") + from_user + "</To>";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    g_last += std::string("<Overlap>") + (g_overlapped ? "yes" : "no") + "</Overlap></xml>";
    g_inside.fetch_sub(1);
    return g_last.c_str();
}
