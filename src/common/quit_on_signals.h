#pragma once

#include <functional>

class QObject;

namespace velkor {

// SIGINT and SIGTERM end the Qt event loop from the main thread, so the server shuts down through
// its destructors (wiping what it holds) rather than dying mid-request. Used by the agent and the
// demo bank.
void QuitOnSignals(QObject* parent);

// SIGINT and SIGTERM run `handler` on the main thread instead, for a program that must finish
// what it is doing before it quits.
void OnQuitSignals(QObject* parent, std::function<void()> handler);

} // namespace velkor
