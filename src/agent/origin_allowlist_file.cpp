#include "agent/origin_allowlist_file.h"

#include <fstream>
#include <sstream>

#include "agent/origin_policy.h"
#include "common/atomic_file.h"
#include "common/text.h"

namespace velkor {

namespace {

std::vector<std::string> Lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

} // namespace

OriginAllowlistFile::OriginAllowlistFile(std::string path)
    : path_(std::move(path))
{
}

std::set<std::string, std::less<>> OriginAllowlistFile::Read(
    std::vector<std::string>* problems) const
{
    OriginPolicy policy;
    std::vector<std::string> ignored;
    policy.LoadFile(path_, problems != nullptr ? *problems : ignored);
    return policy.Allowed();
}

bool OriginAllowlistFile::Contains(std::string_view origin) const
{
    return Read().contains(origin);
}

bool OriginAllowlistFile::Add(std::string_view origin, std::string& error) const
{
    origin = TrimAsciiSpace(origin);
    if (origin == "null" || !IsWellFormedOrigin(origin)) {
        error = "not an origin (scheme://host[:port], no path or trailing slash): "
            + std::string(origin);
        return false;
    }
    if (Contains(origin)) {
        return true;
    }
    std::vector<std::string> lines = Lines(path_);
    lines.emplace_back(origin);
    if (!WriteFileAtomically(path_, Joined(lines))) {
        error = "cannot write " + path_;
        return false;
    }
    return true;
}

bool OriginAllowlistFile::Remove(std::string_view origin, bool& removed, std::string& error) const
{
    origin = TrimAsciiSpace(origin);
    std::vector<std::string> lines = Lines(path_);
    const auto before = lines.size();
    std::erase_if(lines, [&](const std::string& line) { return TrimAsciiSpace(line) == origin; });
    removed = lines.size() != before;
    if (removed && !WriteFileAtomically(path_, Joined(lines))) {
        error = "cannot write " + path_;
        return false;
    }
    return true;
}

} // namespace velkor
