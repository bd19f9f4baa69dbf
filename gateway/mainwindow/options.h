#pragma once
// Command-line options shared by the window and the headless runner.
#include <optional>
#include <string>

namespace gw {

struct Options {
    bool headless = false;
    int port = 80;
    std::string home;      // empty: the directory of the executable
    std::string api_base;  // empty: the platform's own host
};

// Nothing when the arguments cannot be read; `error` then says why.
std::optional<Options> parse_options(int argc, char** argv, std::string& error);

// Applies --home and --api-base to the core.
void apply_options(const Options& options);

} // namespace gw
