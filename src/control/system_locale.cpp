#include "system_locale.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace velkor {

namespace {

std::string Unquoted(std::string value)
{
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// /etc/default/locale is a list of shell assignments; LC_ALL there overrides LANG as it would
// in the environment.
std::string LocaleFromDefaultsFile(const std::string& file)
{
    std::ifstream in(file);
    std::string line;
    std::string lang;
    std::string all;
    while (std::getline(in, line)) {
        if (line.rfind("LC_ALL=", 0) == 0) {
            all = Unquoted(line.substr(7));
        } else if (line.rfind("LANG=", 0) == 0) {
            lang = Unquoted(line.substr(5));
        }
    }
    return all.empty() ? lang : all;
}

} // namespace

std::string SystemLocaleName(const EnvironmentLookup& environment, const std::string& defaultsFile)
{
    for (const char* name : { "LC_ALL", "LC_CTYPE", "LANG" }) {
        std::string value = environment(name);
        if (!value.empty()) {
            return value;
        }
    }
    return LocaleFromDefaultsFile(defaultsFile);
}

std::string SystemLocaleName()
{
    return SystemLocaleName(
        [](const char* name) {
            const char* value = std::getenv(name);
            return value == nullptr ? std::string() : std::string(value);
        },
        "/etc/default/locale");
}

int32_t LocaleTypeOf(const std::string& localeName)
{
    // language_TERRITORY, then optionally .encoding or @modifier.
    if (localeName.size() < 5) {
        return kLocaleOther;
    }
    std::string head;
    for (size_t i = 0; i < 5; ++i) {
        head.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(localeName[i]))));
    }
    const bool endsThere = localeName.size() == 5 || localeName[5] == '.' || localeName[5] == '@';
    return head == "zh_tw" && endsThere ? kLocaleTraditionalChineseTaiwan : kLocaleOther;
}

} // namespace velkor
