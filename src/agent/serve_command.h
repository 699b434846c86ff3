#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "agent/agent_options.h"

class QCoreApplication;

namespace velkor {

// What `velkor serve`'s arguments ask for.
struct ServeSettings {
    AgentOptions options; // port and allowed origins (the allowlist file's and the arguments')
    bool verbose = false;
    bool debuggable = false; // --debug: leave the process dumpable, for a debugger
    int idleExitSeconds = 0; // --idle-exit: end after this long with nothing to do; 0 never
    bool help = false; // --help: print the usage and exit
    std::string ui = "auto";
    std::vector<std::string> problems; // rejected lines of the allowlist file
};

// The options of `velkor serve`, one or two lines each, for the usage texts.
void PrintServeOptions(std::ostream& out);

// Reads `velkor serve`'s arguments. The demo bank's origin is trusted only with --demo-origin:
// what `velkor register` installs, and any plain `velkor serve`, trusts only the allowlist.
// False, with `error` set, on a usage error.
bool ParseServeArguments(
    const std::vector<std::string>& args, ServeSettings& settings, std::string& error);

// True when a window system can be reached (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set).
bool HasDisplay();

// Makes the application the agent runs in: with widgets when `ui` asks for them ("qt", or "auto"
// with a display), else without, and sets `options.ui` to match. With `verbose`, each agent log
// line goes to stderr under `logName` and the PC/SC call log is on. `argc` must outlive the
// application (Qt keeps a reference to it).
std::unique_ptr<QCoreApplication> MakeAgentApplication(int& argc, char** argv,
    const std::string& ui, bool verbose, const char* logName, AgentOptions& options);

// `velkor serve [--port N] [--allow-origin ORIGIN]... [--demo-origin] [--verbose]
// [--ui auto|none|qt] [--idle-exit SECONDS]`: runs the agent until SIGINT or SIGTERM, or until it
// has been idle for the given time. Listens on the sockets its service manager passed, if any.
// Returns the exit code.
int RunServeCommand(int argc, char** argv, const std::vector<std::string>& args);

// `velkor register [--executable PATH]` and `velkor unregister`.
int RunRegisterCommand(const std::vector<std::string>& args);
int RunUnregisterCommand(const std::vector<std::string>& args);

} // namespace velkor
