#pragma once

class QObject;

namespace velkor {

// SIGINT and SIGTERM end the Qt event loop from the main thread, so the server shuts down through
// its destructors (wiping what it holds) rather than dying mid-request. Used by the agent and the
// demo bank.
void QuitOnSignals(QObject* parent);

} // namespace velkor
