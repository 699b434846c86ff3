#include "agent/origins_command.h"

#include <ostream>

#include "agent/origin_allowlist_file.h"
#include "agent/origin_policy.h"
#include "common/text.h"

namespace velkor {

int RunOriginsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    constexpr int kUsageError = 2;
    const OriginAllowlistFile file(AllowedOriginsPath());
    const std::string verb = args.empty() ? "" : args[0];
    if (verb == "list" && args.size() == 1) {
        std::vector<std::string> problems;
        for (const auto& origin : file.Read(&problems)) {
            out << origin << "\n";
        }
        for (const auto& problem : problems) {
            err << "velkor origins: ignored " << problem << "\n";
        }
        return 0;
    }
    std::string error;
    if (verb == "allow" && args.size() == 2) {
        const std::string_view origin = TrimAsciiSpace(args[1]);
        if (IsWellFormedOrigin(origin) && !IsAskableOrigin(origin)) {
            err << "velkor origins: refused " << args[1]
                << ": only https:// sites with a plain host name (letters, digits, '.', '-'), or "
                   "http:// on this computer (localhost, 127.x.x.x, [::1])\n";
            return kUsageError;
        }
        if (!file.Add(args[1], error)) {
            err << "velkor origins: " << error << "\n";
            return error.starts_with("not an origin") ? kUsageError : 1;
        }
        out << "allowed " << args[1] << "\n";
        return 0;
    }
    if (verb == "revoke" && args.size() == 2) {
        bool removed = false;
        if (!file.Remove(args[1], removed, error)) {
            err << "velkor origins: " << error << "\n";
            return 1;
        }
        out << (removed ? "revoked " : "was not allowed: ") << args[1] << "\n";
        return 0;
    }
    err << "usage: velkor origins list\n"
           "       velkor origins allow ORIGIN    (scheme://host[:port], e.g. "
           "https://ebank.example.com)\n"
           "       velkor origins revoke ORIGIN\n";
    return kUsageError;
}

} // namespace velkor
