#include "mainwindow/options.h"

#include "platform/access_token.h"
#include "system/program_paths.h"

#include <charconv>
#include <cstring>

namespace gw {

std::optional<Options> parse_options(int argc, char** argv, std::string& error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--port") {
            auto v = value("--port");
            if (!v) return std::nullopt;
            int port = -1;
            auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), port);
            if (ec != std::errc() || end != v->data() + v->size() || port < 0 || port > 65535) {
                error = "--port takes a number from 0 to 65535";
                return std::nullopt;
            }
            options.port = port;
        } else if (arg == "--home") {
            auto v = value("--home");
            if (!v) return std::nullopt;
            options.home = *v;
        } else if (arg == "--api-base") {
            auto v = value("--api-base");
            if (!v) return std::nullopt;
            options.api_base = *v;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return options;
}

void apply_options(const Options& options) {
    if (!options.home.empty()) set_program_directory(options.home);
    if (!options.api_base.empty()) {
        std::string base = options.api_base;
        while (!base.empty() && base.back() == '/') base.pop_back();
        set_api_base(base);
    }
}

} // namespace gw
