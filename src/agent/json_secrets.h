#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Requests and results may carry PINs, keys and clear accounts. These helpers leave no copy of
// them behind: parsed strings are wiped once converted, and a secret text becomes its JSON form in
// one buffer sized up front (a growing buffer would leave freed copies).
namespace velkor {

// Wipes every string inside `value`, however deeply nested.
void WipeJsonStrings(nlohmann::json& value);

// Wipes the strings of a parsed document when the scope ends, on every way out.
class ScopedJsonWipe {
public:
    explicit ScopedJsonWipe(nlohmann::json& value)
        : value_(value)
    {
    }
    ScopedJsonWipe(const ScopedJsonWipe&) = delete;
    ScopedJsonWipe& operator=(const ScopedJsonWipe&) = delete;
    ~ScopedJsonWipe() { WipeJsonStrings(value_); }

private:
    nlohmann::json& value_;
};

// `utf8` (valid UTF-8) as a JSON string literal, quoted and escaped as nlohmann::json::dump writes
// it. The result never reallocates while it is built.
std::string JsonStringLiteral(std::string_view utf8);

} // namespace velkor
