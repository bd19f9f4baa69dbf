#pragma once
#include "mainwindow/options.h"

#include <chrono>

namespace gw {

// How long the program waits, on its way out, for text-message workers
// still inside a plug-in.
inline constexpr std::chrono::milliseconds kWorkerGrace{5000};

// Runs the gateway without a window: the log goes to standard output in
// UTF-8; "listening on port N" goes to standard error once the server
// listens. Returns the exit code.
int run_headless(const Options& options, int argc, char** argv);

} // namespace gw
