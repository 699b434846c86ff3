#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Who may talk to the agent. A page's Origin must equal one of the allowed origins exactly
// (scheme, host and port, as the browser sends it); the Host it asked for must be a loopback
// name with the agent's port, so that a site that rebinds its DNS name to 127.0.0.1 is refused.
namespace velkor {

// The demo bank's origin, allowed only when the agent is started with --demo-origin.
inline constexpr std::string_view kDemoOrigin = "http://127.0.0.1:8932";

class OriginPolicy {
public:
    // Adds an origin; false (and nothing added) when it is not of the form scheme://host[:port]
    // or is "null", which sandboxed frames and local files send and which names no site.
    bool Allow(std::string_view origin);
    bool IsAllowed(std::string_view origin) const;
    const std::set<std::string, std::less<>>& Allowed() const { return allowed_; }

    // Reads an allowlist file: one origin per line; blank lines and lines starting with '#' are
    // skipped. A missing file is not an error. Each rejected line is described in `problems`.
    bool LoadFile(const std::string& path, std::vector<std::string>& problems);

private:
    std::set<std::string, std::less<>> allowed_;
};

// $XDG_CONFIG_HOME/velkor/allowed-origins
std::string AllowedOriginsPath();

bool IsWellFormedOrigin(std::string_view origin);

// Whether the customer may be asked about a site: "https://" with a plain ASCII host name
// ([A-Za-z0-9.-], at most 253 characters) or a bracketed IPv6 literal, and an optional port; or
// "http://" on this computer only (localhost, 127.0.0.0/8, [::1]). Anything else could be spoofed
// on the network once allowed, or could carry characters that fake another name in the prompt.
bool IsAskableOrigin(std::string_view origin);

// True for "localhost", "127.0.0.1" or "[::1]" (any letter case) followed by ":port"; the port
// may be left out only when it is 80.
bool IsLoopbackHost(std::string_view hostHeader, uint16_t port);

} // namespace velkor
