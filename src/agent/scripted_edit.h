#pragma once

#include <cstddef>
#include <functional>

#include "common/text.h"
#include "dialogs/input_filter.h"

// What the script runner's `keys` and `paste` do to an edit field: each key goes through the
// dialog's key filter, as it does in the window, and what the filter lets through changes the
// text as a line edit would with the caret at its end (up to the field's maximum length).
namespace velkor {

// The dialog's filter for one key, given the field's text before the key.
using EditKeyFilter = std::function<FilterDecision(const KeyInput& key, const Text& text)>;
// Receives the filter's decisions on the OK button.
using OkDecision = std::function<void(bool enabled)>;

// "\b" is Backspace, "\n" Enter; any other character is typed.
void TypeIntoEdit(Text& text, const Text& keys, size_t maximum, const EditKeyFilter& filter,
    const OkDecision& ok);
// Ctrl+V with `pasted` on the clipboard (the filter reads it through its clipboard reader).
void PasteIntoEdit(Text& text, const Text& pasted, size_t maximum, const EditKeyFilter& filter,
    const OkDecision& ok);

} // namespace velkor
