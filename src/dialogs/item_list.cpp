#include "dialogs/item_list.h"

#include "common/secure_buffer.h"
#include "dialogs/document_scanner.h"

namespace velkor {

namespace {

constexpr std::u16string_view kItemEnd = u";;";
constexpr std::u16string_view kValueMark = u"%%";
constexpr std::u16string_view kHiddenMark = u"$$";

// Calls `visit(item)` for every non-empty item of `content`, each cut to `itemChars`; stops when
// `visit` returns false. Only text closed by ";;" is an item. A content that does not end in ";;"
// is read as if ";;" were appended, so its last item is closed too and a single ';' at its end
// joins that ";;" instead of staying on the item (no account value ends in a stray ';').
template <typename Visit>
void ForEachItem(std::u16string_view content, size_t itemChars, Visit visit)
{
    const bool closed = content.ends_with(kItemEnd);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find(kItemEnd, start);
        if (end == std::u16string_view::npos) {
            if (closed) {
                return; // text after the last ";;" of a closed content is no item
            }
            end = content.ends_with(u';') ? content.size() - 1 : content.size();
        }
        const std::u16string_view item = content.substr(start, end - start).substr(0, itemChars);
        start = end + kItemEnd.size();
        if (!item.empty() && !visit(item)) {
            return;
        }
    }
}

} // namespace

void ItemList::Load(std::u16string_view content, int32_t defaultIndex, const ItemListLimits& limits)
{
    Clear();
    ForEachItem(content, limits.itemChars, [&](std::u16string_view item) {
        ListItem entry;
        const size_t mark = scanner::FindLast(item, kValueMark);
        entry.display = Text(mark == scanner::kNotFound ? item : item.substr(0, mark));
        if (limits.carriesValues && mark != scanner::kNotFound) {
            entry.value = Text(
                scanner::Trim(item.substr(mark + kValueMark.size()), scanner::TrimMode::kBlanks));
            const size_t hidden = entry.value.find(kHiddenMark);
            if (hidden != Text::npos && items_.size() < limits.hiddenSlots) {
                entry.hidden = entry.value.substr(hidden + kHiddenMark.size(), limits.hiddenChars);
            }
        }
        items_.push_back(std::move(entry));
        return true;
    });
    if (!items_.empty()) {
        selected_ = (defaultIndex >= 0 && static_cast<size_t>(defaultIndex) < items_.size())
            ? defaultIndex
            : 0;
    }
}

void ItemList::Clear()
{
    for (ListItem& item : items_) {
        WipeString(item.display);
        WipeString(item.value);
        if (item.hidden) {
            WipeString(*item.hidden);
        }
    }
    items_.clear();
    selected_ = -1;
}

void ItemList::Select(int32_t index)
{
    if (index >= 0 && static_cast<size_t>(index) < items_.size()) {
        selected_ = index;
    }
}

std::optional<Text> ItemAt(std::u16string_view content, size_t index, size_t itemChars)
{
    std::optional<Text> found;
    size_t i = 0;
    ForEachItem(content, itemChars, [&](std::u16string_view item) {
        if (i++ == index) {
            found = Text(item);
            return false;
        }
        return true;
    });
    return found;
}

} // namespace velkor
