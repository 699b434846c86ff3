#include "common_account_form_kind.h"

#include <algorithm>
#include <cstddef>

namespace velkor {

namespace {

constexpr std::u16string_view kElementOpen = u"<AtmNode";
constexpr std::u16string_view kSelfClose = u"/>";
constexpr std::u16string_view kElementClose = u"</AtmNode>";
constexpr std::u16string_view kTypeAttribute = u"type";

char16_t FoldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

size_t FindNoCase(std::u16string_view text, std::u16string_view needle, size_t from = 0)
{
    const auto found
        = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())),
            text.end(), needle.begin(), needle.end(),
            [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); });
    return found == text.end() ? std::u16string_view::npos
                               : static_cast<size_t>(found - text.begin());
}

// The element's text after its open tag, up to its first closing marker; empty when unclosed.
std::u16string_view ElementText(std::u16string_view document, size_t afterOpen)
{
    const size_t selfClose = FindNoCase(document, kSelfClose, afterOpen);
    const size_t close = FindNoCase(document, kElementClose, afterOpen);
    const size_t end = std::min(selfClose, close);
    return end == std::u16string_view::npos ? std::u16string_view()
                                            : document.substr(afterOpen, end - afterOpen);
}

// The first character of the "type" value after blanks and control characters, or 0.
char16_t TypeOf(std::u16string_view element)
{
    const size_t name = FindNoCase(element, kTypeAttribute);
    if (name == std::u16string_view::npos) {
        return 0;
    }
    const size_t open = element.find(u'"', name + kTypeAttribute.size());
    if (open == std::u16string_view::npos) {
        return 0;
    }
    const size_t close = element.find(u'"', open + 1);
    if (close == std::u16string_view::npos) {
        return 0;
    }
    for (size_t i = open + 1; i < close; ++i) {
        if (element[i] > u' ') {
            return element[i];
        }
    }
    return 0;
}

} // namespace

bool FormCollectsPin(std::u16string_view document)
{
    document = document.substr(0, document.find(u'\0'));
    for (size_t at = document.find(kElementOpen); at != std::u16string_view::npos;
         at = document.find(kElementOpen, at + 1)) {
        const char16_t type = TypeOf(ElementText(document, at + kElementOpen.size()));
        if (type == u'6' || type == u'7') {
            return true;
        }
    }
    return false;
}

} // namespace velkor
