#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

// The customer's allowlist file ($XDG_CONFIG_HOME/velkor/allowed-origins): one origin per line,
// blank lines and '#' comments ignored. Both transports read it afresh for every page, so that
// `velkor origins allow|revoke` and the consent dialog's "always" take effect without a restart.
// Changes rewrite the file atomically and keep every other line (comments included) as it was.
namespace velkor {

class OriginAllowlistFile {
public:
    explicit OriginAllowlistFile(std::string path);

    const std::string& Path() const { return path_; }
    // The well-formed origins of the file (none when it is missing); rejected lines are
    // described in `problems` when given.
    std::set<std::string, std::less<>> Read(std::vector<std::string>* problems = nullptr) const;
    bool Contains(std::string_view origin) const;
    // False, with `error` set, for an origin that is not scheme://host[:port] or when the file
    // cannot be written. Adding an origin already there changes nothing.
    bool Add(std::string_view origin, std::string& error) const;
    // Removes every line naming `origin`; `removed` tells whether there was one.
    bool Remove(std::string_view origin, bool& removed, std::string& error) const;

private:
    std::string path_;
};

} // namespace velkor
