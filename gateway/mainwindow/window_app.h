#pragma once
#include "mainwindow/options.h"

namespace gw {

// Opens the main window and runs the message loop until it is closed.
// Returns the exit code.
int run_window(const Options& options, int argc, char** argv);

} // namespace gw
