#pragma once

class QCoreApplication;

namespace gw {

// SIGINT and SIGTERM end the application's event loop, so the program ends
// as a closed window would: hooks removed, handles released.
void quit_on_signals(QCoreApplication& app);

} // namespace gw
