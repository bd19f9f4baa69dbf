// Load client: sends one request per connection, as the platform does, from
// several threads for a fixed time, and reports requests per second and the
// latency percentiles of the answered requests.
//
//   bench_load PORT REQUEST_FILE [CONNECTIONS=8] [SECONDS=5] [EXPECT_SUBSTRING]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    std::vector<double> latencies_ms;
    long failures = 0;
};

// One request on a fresh connection; true when a response that contains
// `expect` came back and the server closed.
bool one_request(int port, const std::string& request, const std::string& expect) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    std::string response;
    char buf[16384];
    while (ok) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0) ok = false;
        if (n <= 0) break;
        response.append(buf, static_cast<size_t>(n));
    }
    // Close with a reset so that the client side does not pile up TIME_WAIT
    // sockets and run out of ports during a long run.
    linger lg{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    ::close(fd);
    return ok && response.find(expect) != std::string::npos;
}

double percentile(std::vector<double>& v, double p) {
    if (v.empty()) return 0;
    size_t k = static_cast<size_t>(p / 100.0 * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_load PORT REQUEST_FILE [CONNECTIONS] [SECONDS] [EXPECT]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    std::ifstream in(argv[2], std::ios::binary);
    const std::string request((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int connections = argc > 3 ? std::atoi(argv[3]) : 8;
    const int seconds = argc > 4 ? std::atoi(argv[4]) : 5;
    const std::string expect = argc > 5 ? argv[5] : "200 OK";
    if (request.empty() || port <= 0 || connections <= 0 || seconds <= 0) {
        std::fprintf(stderr, "bench_load: bad arguments\n");
        return 2;
    }

    // Warm up, then measure.
    for (int i = 0; i < 50; ++i) one_request(port, request, expect);
    std::vector<Result> results(static_cast<size_t>(connections));
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int c = 0; c < connections; ++c) {
        threads.emplace_back([&, c] {
            Result& r = results[static_cast<size_t>(c)];
            while (!stop.load(std::memory_order_relaxed)) {
                auto t0 = Clock::now();
                bool ok = one_request(port, request, expect);
                auto t1 = Clock::now();
                if (ok)
                    r.latencies_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                else
                    ++r.failures;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    for (auto& t : threads) t.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> all;
    long failures = 0;
    for (auto& r : results) {
        all.insert(all.end(), r.latencies_ms.begin(), r.latencies_ms.end());
        failures += r.failures;
    }
    const double rps = static_cast<double>(all.size()) / elapsed;
    const double p50 = percentile(all, 50), p99 = percentile(all, 99);
    std::printf("requests=%zu failures=%ld rps=%.0f p50_ms=%.3f p99_ms=%.3f\n", all.size(), failures, rps, p50, p99);
    return failures > 0 && all.empty() ? 1 : 0;
}
