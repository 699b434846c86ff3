#include "agent/origin_policy.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "common/text.h"
#include "common/xdg_paths.h"

namespace velkor {

namespace {

bool IsPort(std::string_view text)
{
    if (text.empty() || text.size() > 5
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    return std::stoi(std::string(text)) <= 65535;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsHostName(std::string_view host)
{
    constexpr std::size_t kLongestHostName = 253;
    return !host.empty() && host.size() <= kLongestHostName
        && std::all_of(host.begin(), host.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
           });
}

bool IsIpv6Literal(std::string_view host)
{
    return host.size() > 2 && host.size() <= 41 && host.front() == '[' && host.back() == ']'
        && std::all_of(host.begin() + 1, host.end() - 1, [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
           });
}

bool IsLoopbackAddressName(std::string_view host)
{
    if (host == "localhost" || host == "[::1]") {
        return true;
    }
    // 127.0.0.0/8 as a dotted quad of decimal octets.
    if (!host.starts_with("127.")) {
        return false;
    }
    int octets = 0;
    while (!host.empty()) {
        const auto dot = host.find('.');
        const std::string_view octet = host.substr(0, dot);
        if (octet.empty() || octet.size() > 3
            || !std::all_of(octet.begin(), octet.end(), [](char c) { return c >= '0' && c <= '9'; })
            || std::stoi(std::string(octet)) > 255) {
            return false;
        }
        ++octets;
        host = dot == std::string_view::npos ? std::string_view {} : host.substr(dot + 1);
        if (dot != std::string_view::npos && host.empty()) {
            return false;
        }
    }
    return octets == 4;
}

} // namespace

bool IsAskableOrigin(std::string_view origin)
{
    if (!IsWellFormedOrigin(origin)) {
        return false;
    }
    const bool secure = origin.starts_with("https://");
    if (!secure && !origin.starts_with("http://")) {
        return false;
    }
    std::string_view host = origin.substr(origin.find("://") + 3);
    const auto bracketEnd = host.rfind(']');
    const auto colon = host.rfind(':');
    if (colon != std::string_view::npos
        && (bracketEnd == std::string_view::npos || colon > bracketEnd)) {
        host = host.substr(0, colon); // the port's digits were checked above
    }
    if (!IsHostName(host) && !IsIpv6Literal(host)) {
        return false;
    }
    return secure || IsLoopbackAddressName(host);
}

bool IsWellFormedOrigin(std::string_view origin)
{
    const auto schemeEnd = origin.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd == 0) {
        return false;
    }
    const std::string_view scheme = origin.substr(0, schemeEnd);
    if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return std::islower(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        })) {
        return false;
    }
    std::string_view authority = origin.substr(schemeEnd + 3);
    if (authority.empty() || authority.find_first_of("/?#@ \t") != std::string_view::npos) {
        return false;
    }
    // An IPv6 literal is bracketed; a port follows the last ':' outside the brackets.
    const auto bracketEnd = authority.rfind(']');
    const auto colon = authority.rfind(':');
    if (colon != std::string_view::npos
        && (bracketEnd == std::string_view::npos || colon > bracketEnd)) {
        if (!IsPort(authority.substr(colon + 1))) {
            return false;
        }
        authority = authority.substr(0, colon);
    }
    return !authority.empty();
}

bool OriginPolicy::Allow(std::string_view origin)
{
    origin = TrimAsciiSpace(origin);
    if (origin == "null" || !IsWellFormedOrigin(origin)) {
        return false;
    }
    allowed_.emplace(origin);
    return true;
}

bool OriginPolicy::IsAllowed(std::string_view origin) const
{
    return allowed_.contains(origin);
}

bool OriginPolicy::LoadFile(const std::string& path, std::vector<std::string>& problems)
{
    std::ifstream in(path);
    if (!in) {
        return true;
    }
    bool allGood = true;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string_view entry = TrimAsciiSpace(line);
        if (entry.empty() || entry.front() == '#') {
            continue;
        }
        if (!Allow(entry)) {
            problems.push_back(path + ":" + std::to_string(number) + ": not an origin ("
                + "scheme://host[:port], no path or trailing slash): " + std::string(entry));
            allGood = false;
        }
    }
    return allGood;
}

std::string AllowedOriginsPath()
{
    return VelkorConfigDirectory() + "/allowed-origins";
}

bool IsLoopbackHost(std::string_view hostHeader, uint16_t port)
{
    hostHeader = TrimAsciiSpace(hostHeader);
    std::string_view name = hostHeader;
    std::string_view portText;
    const auto bracketEnd = hostHeader.rfind(']');
    const auto colon = hostHeader.rfind(':');
    if (colon != std::string_view::npos
        && (bracketEnd == std::string_view::npos || colon > bracketEnd)) {
        name = hostHeader.substr(0, colon);
        portText = hostHeader.substr(colon + 1);
    }
    if (portText.empty()) {
        if (port != 80 || colon == hostHeader.size() - 1) {
            return false;
        }
    } else if (!IsPort(portText) || std::stoi(std::string(portText)) != port) {
        return false;
    }
    return EqualsIgnoringCase(name, "localhost") || name == "127.0.0.1" || name == "[::1]";
}

} // namespace velkor
