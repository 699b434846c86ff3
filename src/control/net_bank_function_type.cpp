#include "control/net_bank_function_type.h"

#include <algorithm>
#include <limits>

namespace velkor {

namespace {

constexpr std::u16string_view kStartTag = u"<FunType>";
constexpr std::u16string_view kEndTag = u"</FunType>";
constexpr size_t kKeptCharacters = 127;

char16_t AsciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Position of the first occurrence of `tag` in `text` at or after `from`, ASCII letters compared
// without regard to case.
size_t FindTag(std::u16string_view text, std::u16string_view tag, size_t from)
{
    for (size_t at = from; at + tag.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < tag.size() && AsciiLower(text[at + i]) == AsciiLower(tag[i])) {
            ++i;
        }
        if (i == tag.size()) {
            return at;
        }
    }
    return std::u16string_view::npos;
}

bool IsCSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int32_t ReadCInteger(std::u16string_view text)
{
    size_t at = 0;
    while (at < text.size() && IsCSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    // Accumulated as a magnitude that stops growing past the 32-bit range.
    constexpr int64_t kLimit = int64_t { std::numeric_limits<int32_t>::max() } + 1;
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        magnitude = std::min(kLimit, magnitude * 10 + (text[at] - u'0'));
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(
        value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

int32_t ReadFunctionType(std::u16string_view document)
{
    const size_t start = FindTag(document, kStartTag, 0);
    if (start == std::u16string_view::npos) {
        return -1;
    }
    const size_t valueStart = start + kStartTag.size();
    const size_t end = FindTag(document, kEndTag, valueStart);
    if (end == std::u16string_view::npos) {
        return -1;
    }
    std::u16string_view value = document.substr(valueStart, end - valueStart);
    value = value.substr(0, kKeptCharacters);
    while (!value.empty() && value.front() < u' ') {
        value.remove_prefix(1);
    }
    while (!value.empty() && value.back() < u' ') {
        value.remove_suffix(1);
    }
    const int32_t functionType = ReadCInteger(value);
    return functionType >= 7 ? 0 : functionType;
}

NetBankDialog DialogForFunctionType(int32_t functionType)
{
    switch (functionType) {
    case 0:
        return NetBankDialog::TransDeal;
    case 1:
        return NetBankDialog::TransCom;
    case 2:
        return NetBankDialog::TransOth;
    default:
        return NetBankDialog::TransSetNet;
    }
}

} // namespace velkor
