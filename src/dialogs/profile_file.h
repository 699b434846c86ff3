#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// A settings file in the classic "[section]" / "key=value" profile format, read and written the
// way the system's profile functions do: section and key names compared without regard to
// ASCII case, values trimmed of surrounding blanks and one pair of quotes, the file created when
// missing and other sections and keys left as they are.
namespace velkor::profile {

// The value of `key` in `section`, or `fallback` when the file, section or key is missing; cut
// to `capacity` - 1 characters.
std::string ReadString(const std::filesystem::path& file, std::string_view section,
    std::string_view key, std::string_view fallback, size_t capacity);

// Sets `key` in `section` to `value`, adding the section or key when missing. False when the
// file cannot be written.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
    std::string_view value);

} // namespace velkor::profile
