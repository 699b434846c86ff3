#include "dialogs/profile_file.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace velkor::profile {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// "[name]" gives name.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = TrimBlanks(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(line.substr(1, close - 1));
}

// Key and value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> Entry(std::string_view line)
{
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1)));
}

// Index of `key`'s line in `section`, or of the section's header (second) when the key is absent.
struct Location {
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
    size_t sectionEnd = 0; // first line after the section's last entry
};

Location Find(const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    Location where;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inside) {
                break;
            }
            inside = EqualNoCase(*name, section);
            if (inside) {
                where.sectionLine = i;
                where.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inside) {
            continue;
        }
        if (!TrimBlanks(lines[i]).empty()) {
            where.sectionEnd = i + 1;
        }
        const auto entry = Entry(lines[i]);
        if (entry && !where.keyLine && EqualNoCase(entry->first, key)) {
            where.keyLine = i;
        }
    }
    return where;
}

} // namespace

std::string ReadString(const std::filesystem::path& file, std::string_view section,
    std::string_view key, std::string_view fallback, size_t capacity)
{
    const std::vector<std::string> lines = ReadLines(file);
    const Location where = Find(lines, section, key);
    std::string_view value = fallback;
    if (where.keyLine) {
        value = Entry(lines[*where.keyLine])->second;
        if (value.size() >= 2 && value.front() == value.back()
            && (value.front() == '"' || value.front() == '\'')) {
            value = value.substr(1, value.size() - 2);
        }
    }
    return std::string(value.substr(0, capacity > 0 ? capacity - 1 : 0));
}

bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
    std::string_view value)
{
    std::vector<std::string> lines = ReadLines(file);
    const Location where = Find(lines, section, key);
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (where.keyLine) {
        lines[*where.keyLine] = entry;
    } else if (where.sectionLine) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(where.sectionEnd), entry);
    } else {
        // Appended rather than `"[" + std::string(...)`, which GCC 12 at -O3 takes for an
        // overlapping copy (-Wrestrict).
        lines.push_back(std::string("[").append(section).append("]"));
        lines.push_back(entry);
    }
    std::ostringstream text;
    for (const std::string& line : lines) {
        text << line << "\r\n";
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text.str();
    return static_cast<bool>(out.flush());
}

} // namespace velkor::profile
