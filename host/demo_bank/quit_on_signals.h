#pragma once

class QObject;

namespace velkor::host {

// SIGINT and SIGTERM end the Qt event loop from the main thread, so the server shuts down through
// its destructors (wiping what it holds) rather than dying mid-request.
void QuitOnSignals(QObject* parent);

} // namespace velkor::host
