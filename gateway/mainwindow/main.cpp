#include "mainwindow/headless_runner.h"
#include "mainwindow/options.h"
#include "mainwindow/window_app.h"

#include <curl/curl.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string error;
    auto options = gw::parse_options(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "gateway: %s\nusage: gateway [--headless] [--port N] [--home DIR] [--api-base URL]\n",
                     error.c_str());
        return 2;
    }
    // Before any thread starts.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    gw::apply_options(*options);
    int code = options->headless ? gw::run_headless(*options, argc, argv) : gw::run_window(*options, argc, argv);
    curl_global_cleanup();
    return code;
}
