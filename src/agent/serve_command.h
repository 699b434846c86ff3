#pragma once

#include <string>
#include <vector>

namespace velkor {

// `velkor serve [--port N] [--allow-origin ORIGIN]... [--no-demo-origin] [--verbose]
// [--ui auto|none|qt]`: runs the agent until SIGINT or SIGTERM. Returns the exit code.
int RunServeCommand(int argc, char** argv, const std::vector<std::string>& args);

// `velkor register [--executable PATH]` and `velkor unregister`.
int RunRegisterCommand(const std::vector<std::string>& args);
int RunUnregisterCommand(const std::vector<std::string>& args);

} // namespace velkor
