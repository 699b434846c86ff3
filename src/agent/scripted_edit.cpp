#include "agent/scripted_edit.h"

#include "common/secure_buffer.h"

namespace velkor {

namespace {

// Runs one key through the filter; true when it reaches the field.
bool PassesFilter(
    const KeyInput& key, const Text& text, const EditKeyFilter& filter, const OkDecision& ok)
{
    const FilterDecision decision = filter(key, text);
    if (decision.okEnabled && ok) {
        ok(*decision.okEnabled);
    }
    return !decision.swallow;
}

} // namespace

void TypeIntoEdit(
    Text& text, const Text& keys, size_t maximum, const EditKeyFilter& filter, const OkDecision& ok)
{
    for (const char16_t c : keys) {
        if (c == u'\n') {
            PassesFilter(KeyInput::KeyDown(kKeyEnter), text, filter, ok);
            continue;
        }
        if (!PassesFilter(KeyInput::KeyDown(0), text, filter, ok)) {
            continue;
        }
        const char16_t typed = c == u'\b' ? kCharBackspace : c;
        if (!PassesFilter(KeyInput::Character(typed), text, filter, ok)) {
            continue;
        }
        if (typed == kCharBackspace) {
            if (!text.empty()) {
                text.back() = 0;
                text.pop_back();
            }
        } else if (text.size() < maximum) {
            text.push_back(typed);
        }
    }
}

void PasteIntoEdit(Text& text, const Text& pasted, size_t maximum, const EditKeyFilter& filter,
    const OkDecision& ok)
{
    if (!PassesFilter(KeyInput::KeyDown(kKeyV, true), text, filter, ok)
        || !PassesFilter(KeyInput::Character(kCharPaste), text, filter, ok)) {
        return;
    }
    const size_t room = maximum > text.size() ? maximum - text.size() : 0;
    text.append(pasted.substr(0, room));
}

} // namespace velkor
