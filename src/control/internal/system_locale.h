#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The system's locale as `GetLocaleType` sees it: the first non-empty of LC_ALL, LC_CTYPE and
// LANG, else the LC_ALL or LANG assignment of /etc/default/locale.
namespace velkor {

inline constexpr int32_t kLocaleTraditionalChineseTaiwan = 0;
inline constexpr int32_t kLocaleOther = 1;

using EnvironmentLookup = std::function<std::string(const char* name)>;

// Empty when nothing names a locale.
std::string SystemLocaleName(const EnvironmentLookup& environment, const std::string& defaultsFile);
std::string SystemLocaleName();

// 0 for zh_TW (any encoding or modifier, any letter case), 1 for everything else.
int32_t LocaleTypeOf(const std::string& localeName);

} // namespace velkor
