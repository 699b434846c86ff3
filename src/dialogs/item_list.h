#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"

// The entries of one drop-down list of a dialog, loaded from an element's content: items end in
// ";;", each is a display text optionally followed by "%%" and a value; within the value, what
// follows the first "$$" is the item's hidden value.
namespace velkor {

struct ListItem {
    Text display;
    Text value; // empty for lists that keep display texts only
    std::optional<Text> hidden;
};

struct ItemListLimits {
    size_t itemChars = 160; // an item is cut to this many characters before it is split
    size_t hiddenChars = 128; // at most this many characters of a hidden value are kept
    size_t hiddenSlots = 512; // items beyond this many keep no hidden value
    bool carriesValues = true; // false: display texts only
};

class ItemList {
public:
    ItemList() = default;
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ItemList(ItemList&&) = default;
    ItemList& operator=(ItemList&&) = default;
    ~ItemList() { Clear(); }

    // Replaces the items with those of `content` and selects `defaultIndex`, or item 0 when it
    // is not below the number of items.
    void Load(std::u16string_view content, int32_t defaultIndex, const ItemListLimits& limits);
    // Wipes and removes every item; nothing is selected.
    void Clear();

    size_t Count() const { return items_.size(); }
    const ListItem& operator[](size_t i) const { return items_[i]; }
    const std::vector<ListItem>& Items() const { return items_; }
    // -1 when the list is empty.
    int32_t Selected() const { return selected_; }
    void Select(int32_t index);

private:
    std::vector<ListItem> items_;
    int32_t selected_ = -1;
};

// The non-empty ";;" item with index `index` of `content`, whole (display, "%%", value), cut
// to `itemChars`; counts items as ItemList::Load does, so a list's selection finds its item.
std::optional<Text> ItemAt(std::u16string_view content, size_t index, size_t itemChars = 160);

} // namespace velkor
