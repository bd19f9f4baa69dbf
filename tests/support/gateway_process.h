#pragma once
// Runs the real `gateway --headless` as a child process on a free loopback
// port, collects what it logs on standard output, and stops it.
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace gw::test {

class GatewayProcess {
public:
    // `home` is the program directory given with --home.
    GatewayProcess(const std::string& binary, const std::filesystem::path& home,
                   const std::vector<std::string>& extra_args = {});
    ~GatewayProcess();
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    // 0 when the gateway did not come up.
    int port() const { return port_; }

    // Everything written to standard output so far (UTF-8).
    std::string log() const;
    // Waits until the log holds `text` `count` times; false on time-out.
    bool wait_for_log(const std::string& text, int count = 1,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Everything written to standard error so far.
    std::string errors() const;

    // Sends SIGTERM and waits; returns the wait status (or -1).
    int stop();

private:
    void drain(int fd, std::string& into);

    pid_t pid_ = -1;
    int port_ = 0;
    int stdout_fd_ = -1;
    int stderr_fd_ = -1;
    std::thread reader_;
    std::thread error_reader_;
    mutable std::mutex mutex_;
    std::string log_;
    std::string errors_;
};

// How many times `needle` occurs in `haystack`.
int count_of(const std::string& haystack, const std::string& needle);

} // namespace gw::test
