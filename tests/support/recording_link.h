#pragma once
// A client link that records what the core sends and closes, from any thread.
#include "system/client_link.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace gw::test {

class RecordingLink : public ClientLink {
public:
    void send(ClientId client, std::string bytes) override {
        std::lock_guard lock(mutex_);
        sent_.push_back({client, std::move(bytes)});
    }
    void disconnect(ClientId client) override {
        std::lock_guard lock(mutex_);
        closed_.push_back(client);
        changed_.notify_all();
    }
    std::vector<std::pair<ClientId, std::string>> sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::vector<ClientId> closed() {
        std::lock_guard lock(mutex_);
        return closed_;
    }
    // Waits until `n` clients have been closed; false after ten seconds.
    bool wait_closed(size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return closed_.size() >= n; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<ClientId, std::string>> sent_;
    std::vector<ClientId> closed_;
};

} // namespace gw::test
