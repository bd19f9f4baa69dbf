#include "support/gateway_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <regex>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gw::test {

int count_of(const std::string& haystack, const std::string& needle) {
    if (needle.empty()) return 0;
    int n = 0;
    for (size_t pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + needle.size()))
        ++n;
    return n;
}

GatewayProcess::GatewayProcess(const std::string& binary, const std::filesystem::path& home,
                               const std::vector<std::string>& extra_args) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    std::vector<std::string> args{binary, "--headless", "--port", "0", "--home", home.string()};
    bool has_api_base = false;
    for (const auto& a : extra_args) has_api_base = has_api_base || a == "--api-base";
    if (!has_api_base) {
        // Nothing listens on port 1: the start-up token refresh fails at once.
        args.push_back("--api-base");
        args.push_back("http://127.0.0.1:1");
    }
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    stdout_fd_ = out[0];
    stderr_fd_ = err[0];
    if (pid_ < 0) return;
    reader_ = std::thread([this] { drain(stdout_fd_, log_); });

    // Wait for "listening on port N" on standard error.
    std::string err_text;
    static const std::regex listening("listening on port ([0-9]+)");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{stderr_fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        ssize_t n = ::read(stderr_fd_, buf, sizeof buf);
        if (n <= 0) break;
        err_text.append(buf, static_cast<size_t>(n));
        std::smatch m;
        if (std::regex_search(err_text, m, listening)) {
            port_ = std::stoi(m[1]);
            break;
        }
    }
    {
        std::lock_guard lock(mutex_);
        errors_ = err_text;
    }
    // Keep reading, so that a chatty child never blocks on a full pipe.
    error_reader_ = std::thread([this] { drain(stderr_fd_, errors_); });
}

void GatewayProcess::drain(int fd, std::string& into) {
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        into.append(buf, static_cast<size_t>(n));
    }
}

std::string GatewayProcess::errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

std::string GatewayProcess::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

bool GatewayProcess::wait_for_log(const std::string& text, int count, std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (count_of(log(), text) >= count) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int GatewayProcess::stop() {
    int status = -1;
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    if (reader_.joinable()) reader_.join();
    if (error_reader_.joinable()) error_reader_.join();
    if (stdout_fd_ >= 0) ::close(stdout_fd_);
    if (stderr_fd_ >= 0) ::close(stderr_fd_);
    stdout_fd_ = stderr_fd_ = -1;
    return status;
}

GatewayProcess::~GatewayProcess() { stop(); }

} // namespace gw::test
