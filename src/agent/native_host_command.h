#pragma once

#include <string>
#include <vector>

namespace velkor {

// `velkor native-host [--allow-origin ORIGIN]... [--demo-origin] [--verbose] [--ui auto|none|qt]
// [--debug]`, as a browser starts it from its host manifest: the arguments browsers add (the
// calling extension's origin; Firefox's manifest path and extension id) are accepted and ignored.
// Speaks native messaging on standard input and output until the browser closes them. Returns
// the exit code.
int RunNativeHostCommand(int argc, char** argv, const std::vector<std::string>& args);

} // namespace velkor
