#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velkor {

// `velkor origins list|allow ORIGIN|revoke ORIGIN`: the sites the customer allowed, kept in the
// allowlist file that both transports read for every page. Returns the exit code (2: usage).
int RunOriginsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velkor
