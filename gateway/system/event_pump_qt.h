#pragma once

namespace gw {

// Installs the Qt blocking runner: called on the thread that owns the
// application's event loop, it runs work on a helper thread and spins a
// local event loop until the work is done.
void install_qt_blocking_runner();

} // namespace gw
