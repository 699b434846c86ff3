#include "dialogs/input_filter.h"

#include <algorithm>

#include "dialogs/dialog_texts.h"
#include "dialogs/protected_entry.h"

namespace velkor {

namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The clipboard's text, cut to `limit` characters; the caller wipes it.
Text ReadClipboard(const ClipboardReader& clipboard, size_t limit)
{
    Text text = clipboard ? clipboard() : Text();
    if (text.size() > limit) {
        Wipe(text.data() + limit, (text.size() - limit) * sizeof(char16_t));
        text.resize(limit);
    }
    return text;
}

} // namespace

bool IsEnterKeyDown(const KeyInput& key)
{
    return key.kind == KeyInput::Kind::kKeyDown && key.keyCode == kKeyEnter;
}

AccountInputFilter::AccountInputFilter(MessageSink& messages, ClipboardReader clipboard)
    : messages_(messages)
    , clipboard_(std::move(clipboard))
{
}

FilterDecision AccountInputFilter::Filter(
    const KeyInput& key, size_t textLength, size_t maximum, bool fieldActive)
{
    FilterDecision decision;
    if (IsEnterKeyDown(key)) {
        decision.swallow = true;
        return decision;
    }
    if (!fieldActive) {
        return decision;
    }
    if (key.kind == KeyInput::Kind::kKeyDown) {
        if (key.keyCode == kKeyDelete) {
            decision.okEnabled = textLength >= 2;
        } else if (key.keyCode == kKeyV && key.control) {
            decision.swallow = !PasteAllowed(textLength, maximum);
        }
        return decision;
    }
    const char16_t c = key.character;
    const bool allowed = IsDigit(c) || c == kCharBackspace || c == kCharCopy || c == kCharPaste;
    if (!allowed || (textLength >= maximum && c != kCharBackspace)) {
        decision.swallow = true;
        return decision;
    }
    if (c != kCharBackspace) {
        decision.okEnabled = true;
    } else if (textLength < 2) {
        decision.okEnabled = false;
    }
    return decision;
}

bool AccountInputFilter::PasteAllowed(size_t textLength, size_t maximum)
{
    if (textLength > maximum) {
        return false;
    }
    Text pasted = ReadClipboard(clipboard_, kClipboardLimit);
    WipeOnExit wipePasted(pasted);
    if (std::all_of(pasted.begin(), pasted.end(), IsDigit)) {
        return true;
    }
    messages_.ShowMessage(dialog_text::kMustBeDigits, kBankCaption);
    return false;
}

EmailInputFilter::EmailInputFilter(MessageSink& messages, ClipboardReader clipboard)
    : messages_(messages)
    , clipboard_(std::move(clipboard))
{
}

bool EmailInputFilter::Accepts(char16_t c)
{
    if ((c & 0xFF00) != 0 && (c & 0x00FF) != 0) {
        return true;
    }
    // ';' is accepted typed and pasted alike: customers are told to separate several addresses
    // with ';', and a pasted list of addresses is as legitimate as a typed one.
    return c == u';' || CheckCharClass(1, std::u16string_view(&c, 1), u'3') == 0;
}

bool EmailInputFilter::IsSeparator(char16_t c)
{
    return c == u'|' || c == u';' || c == u'@' || c == u'%';
}

FilterDecision EmailInputFilter::Filter(
    const KeyInput& key, size_t textLength, char16_t before, char16_t after)
{
    FilterDecision decision;
    if (IsEnterKeyDown(key)) {
        decision.swallow = true;
        return decision;
    }
    if (key.kind == KeyInput::Kind::kKeyDown) {
        if (key.keyCode == kKeyV && key.control) {
            decision.swallow = !PasteAllowed(before, after);
        }
        return decision;
    }
    const char16_t c = key.character;
    if (c == kCharBackspace || c == kCharCopy || c == kCharPaste) {
        return decision; // editing keys; a paste was checked when V went down
    }
    const bool doubled = IsSeparator(c) && (before == c || after == c);
    decision.swallow = textLength >= kMaximumLength || !Accepts(c) || doubled;
    return decision;
}

bool EmailInputFilter::PasteAllowed(char16_t before, char16_t after)
{
    Text pasted = ReadClipboard(clipboard_, kMaximumLength);
    WipeOnExit wipePasted(pasted);
    bool allowed = std::all_of(pasted.begin(), pasted.end(), Accepts);
    // A paste must not make a doubled separator, inside itself or with its neighbours.
    char16_t previous = before;
    for (const char16_t c : pasted) {
        allowed = allowed && !(IsSeparator(c) && c == previous);
        previous = c;
    }
    allowed = allowed && (pasted.empty() || !IsSeparator(after) || pasted.back() != after);
    if (!allowed) {
        messages_.ShowMessage(dialog_text::kMustBeEmailChars, kBankCaption);
    }
    return allowed;
}

} // namespace velkor
