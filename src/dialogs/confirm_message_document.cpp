#include "dialogs/confirm_message_document.h"

#include <string>

#include "dialogs/document_scanner.h"

namespace velkor {

void ConfirmMessageDocument::Read(const OptText& document)
{
    tags_ = {};
    if (!document) {
        return;
    }
    const std::u16string_view text = scanner::UpToNul(*document);
    for (int n = 1; n <= kTagCount; ++n) {
        const std::string digits = std::to_string(n);
        const Text number(digits.begin(), digits.end());
        tags_[static_cast<size_t>(n - 1)] = scanner::ReadLastTag(
            text, u"<Tag" + number + u">", u"</Tag" + number + u">", kSlotCapacity);
    }
}

const std::optional<Text>& ConfirmMessageDocument::Tag(int number) const
{
    static const std::optional<Text> kAbsent;
    if (number < 1 || number > kTagCount) {
        return kAbsent;
    }
    return tags_[static_cast<size_t>(number - 1)];
}

} // namespace velkor
