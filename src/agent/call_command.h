#pragma once

#include <string>
#include <vector>

namespace velkor {

// `velkor call [--ui none|qt|script=FILE] 'Method(arg, ...)' ...`: runs the calls in order on one
// control and prints each result as one JSON line. Returns the process exit code: 2 for a
// malformed or unknown call or a malformed dialog script (reported on stderr), 3 when the calls
// ran but the dialog script reported problems, else 0.
int RunCallCommand(const std::vector<std::string>& args);

} // namespace velkor
