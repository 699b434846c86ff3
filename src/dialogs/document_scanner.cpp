#include "dialogs/document_scanner.h"

#include <limits>

namespace velkor::scanner {

namespace {

char16_t FoldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool MatchesNoCase(std::u16string_view text, size_t at, std::u16string_view needle)
{
    if (at > text.size() || text.size() - at < needle.size()) {
        return false;
    }
    for (size_t i = 0; i < needle.size(); ++i) {
        if (FoldAscii(text[at + i]) != FoldAscii(needle[i])) {
            return false;
        }
    }
    return true;
}

bool IsTrimmed(char16_t c, TrimMode mode)
{
    return mode == TrimMode::kControls ? c < 0x20 : c <= 0x20;
}

bool IsCBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

std::u16string_view CutToCapacity(std::u16string_view text, size_t capacity)
{
    const size_t room = capacity > 0 ? capacity - 1 : 0;
    return text.substr(0, room);
}

// Finds the end tag after a start tag that begins at `start`; returns the tag value or nothing.
std::optional<Text> ValueAfter(std::u16string_view document, size_t start,
    std::u16string_view startTag, std::u16string_view endTag, size_t capacity)
{
    const size_t valueStart = start + startTag.size();
    const size_t end = FindNoCase(document, endTag, valueStart);
    if (end == kNotFound) {
        return std::nullopt;
    }
    Text value(CutToCapacity(document.substr(valueStart, end - valueStart), capacity));
    TrimInPlace(value, TrimMode::kControls);
    return value;
}

} // namespace

std::u16string_view UpToNul(std::u16string_view text)
{
    const size_t nul = text.find(u'\0');
    return nul == kNotFound ? text : text.substr(0, nul);
}

size_t FindNoCase(std::u16string_view text, std::u16string_view needle, size_t from)
{
    if (needle.empty() || from > text.size() || text.size() - from < needle.size()) {
        return kNotFound;
    }
    const size_t last = text.size() - needle.size();
    for (size_t at = from; at <= last; ++at) {
        if (MatchesNoCase(text, at, needle)) {
            return at;
        }
    }
    return kNotFound;
}

size_t FindLast(std::u16string_view text, std::u16string_view needle)
{
    return needle.empty() ? kNotFound : text.rfind(needle);
}

size_t CountElements(std::u16string_view document, std::u16string_view tag)
{
    if (tag.empty()) {
        return 0;
    }
    size_t count = 0;
    for (size_t at = document.find(tag); at != kNotFound; at = document.find(tag, at + 1)) {
        ++count;
    }
    return count;
}

std::u16string_view Trim(std::u16string_view text, TrimMode mode)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin], mode)) {
        ++begin;
    }
    while (end > begin && IsTrimmed(text[end - 1], mode)) {
        --end;
    }
    return text.substr(begin, end - begin);
}

void TrimInPlace(Text& text, TrimMode mode)
{
    const std::u16string_view kept = Trim(text, mode);
    const size_t offset = static_cast<size_t>(kept.data() - text.data());
    const size_t length = kept.size();
    text.erase(0, offset);
    text.resize(length);
}

std::optional<Text> ReadTag(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t capacity)
{
    return ReadTagOccurrence(document, startTag, endTag, 0, capacity);
}

std::optional<Text> ReadTagOccurrence(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t occurrence, size_t capacity)
{
    size_t at = FindNoCase(document, startTag);
    for (size_t i = 0; i < occurrence && at != kNotFound; ++i) {
        at = FindNoCase(document, startTag, at + 1);
    }
    if (at == kNotFound) {
        return std::nullopt;
    }
    return ValueAfter(document, at, startTag, endTag, capacity);
}

std::optional<Text> ReadLastTag(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t capacity)
{
    // The last start tag that still has an end tag after it: scanning from the end, the first
    // start tag found before the last end tag is that one.
    const size_t lastEnd = [&] {
        size_t found = kNotFound;
        for (size_t at = FindNoCase(document, endTag); at != kNotFound;
             at = FindNoCase(document, endTag, at + 1)) {
            found = at;
        }
        return found;
    }();
    if (lastEnd == kNotFound) {
        return std::nullopt;
    }
    size_t chosen = kNotFound;
    for (size_t at = FindNoCase(document, startTag);
         at != kNotFound && at + startTag.size() <= lastEnd;
         at = FindNoCase(document, startTag, at + 1)) {
        chosen = at;
    }
    if (chosen == kNotFound) {
        return std::nullopt;
    }
    return ValueAfter(document, chosen, startTag, endTag, capacity);
}

std::optional<std::u16string_view> ReadElementText(std::u16string_view document,
    std::u16string_view openTag, std::u16string_view endTag, size_t index)
{
    size_t at = FindNoCase(document, openTag);
    for (size_t i = 0; i < index && at != kNotFound; ++i) {
        at = FindNoCase(document, openTag, at + 1);
    }
    if (at == kNotFound) {
        return std::nullopt;
    }
    const size_t start = at + openTag.size();
    static constexpr std::u16string_view kSelfClose = u"/>";
    for (size_t pos = start; pos < document.size(); ++pos) {
        if (MatchesNoCase(document, pos, kSelfClose)) {
            return document.substr(start, pos + kSelfClose.size() - start);
        }
        if (MatchesNoCase(document, pos, endTag)) {
            return document.substr(start, pos + endTag.size() - start);
        }
    }
    return std::nullopt;
}

Text ReadAttribute(std::u16string_view elementText, std::u16string_view name, size_t capacity)
{
    const size_t at = FindNoCase(elementText, name);
    if (at == kNotFound) {
        return {};
    }
    const size_t open = elementText.find(u'"', at + name.size());
    if (open == kNotFound) {
        return {};
    }
    const size_t close = elementText.find(u'"', open + 1);
    if (close == kNotFound) {
        return {};
    }
    Text value(CutToCapacity(elementText.substr(open + 1, close - open - 1), capacity));
    TrimInPlace(value, TrimMode::kBlanks);
    return value;
}

Text ReadContent(std::u16string_view elementText, std::u16string_view endTag)
{
    size_t start = elementText.find(u'>');
    if (start == kNotFound) {
        return {};
    }
    ++start;
    while (start < elementText.size()
        && (elementText[start] == u' ' || elementText[start] == u'\r'
            || elementText[start] == u'\n')) {
        ++start;
    }
    const size_t end = FindNoCase(elementText, endTag, start);
    if (end == kNotFound) {
        return {};
    }
    return Text(Trim(elementText.substr(start, end - start), TrimMode::kBlanks));
}

int32_t ToInteger(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsCBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t { std::numeric_limits<int32_t>::max() } + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        return static_cast<int32_t>(-value);
    }
    return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
}

} // namespace velkor::scanner
