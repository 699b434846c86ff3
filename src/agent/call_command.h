#pragma once

#include <string>
#include <vector>

namespace velkor {

// `velkor call [--ui none|qt] 'Method(arg, ...)' ...`: runs the calls in order on one control and
// prints each result as one JSON line. Returns the process exit code (2 for a malformed or
// unknown call, which is reported on stderr).
int RunCallCommand(const std::vector<std::string>& args);

} // namespace velkor
