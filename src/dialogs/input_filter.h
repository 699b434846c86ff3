#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "dialogs/message_sink.h"

// The key filters of the secure dialogs, which see every key before the controls do: Enter never
// presses OK; the account field takes digits only (typed or pasted) up to its maximum length and
// tells the dialog when its OK button should change; the e-mail field takes the e-mail characters
// and never lets the data formats' separators be doubled. Plain decisions, without a window.
namespace velkor {

// Key codes the filters look at.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKeyV = 86;

// Control characters a field receives.
inline constexpr char16_t kCharCopy = 3; // Ctrl+C
inline constexpr char16_t kCharBackspace = 8;
inline constexpr char16_t kCharPaste = 22; // Ctrl+V

// One key message: a key going down (with its key code) or a typed character.
struct KeyInput {
    enum class Kind { kKeyDown, kCharacter };
    Kind kind = Kind::kKeyDown;
    int keyCode = 0;
    char16_t character = 0;
    bool control = false;

    static KeyInput KeyDown(int code, bool control = false)
    {
        return { Kind::kKeyDown, code, 0, control };
    }
    static KeyInput Character(char16_t c) { return { Kind::kCharacter, 0, c, false }; }
};

struct FilterDecision {
    bool swallow = false; // the key never reaches the control
    std::optional<bool> okEnabled; // set when the OK button is to be enabled or disabled
};

// The clipboard's text, read when a paste is about to happen.
using ClipboardReader = std::function<Text()>;

// Enter goes down: swallowed in every dialog.
bool IsEnterKeyDown(const KeyInput& key);

// The filter of the account edit field. It acts only while that field is the active entry.
class AccountInputFilter {
public:
    static constexpr size_t kClipboardLimit = 150;

    AccountInputFilter(MessageSink& messages, ClipboardReader clipboard);

    // `textLength` is the field's current length, `maximum` its limit.
    FilterDecision Filter(const KeyInput& key, size_t textLength, size_t maximum, bool fieldActive);

private:
    bool PasteAllowed(size_t textLength, size_t maximum);

    MessageSink& messages_;
    ClipboardReader clipboard_;
};

// The filter of the e-mail notification field.
class EmailInputFilter {
public:
    static constexpr size_t kMaximumLength = 150;

    EmailInputFilter(MessageSink& messages, ClipboardReader clipboard);

    // `before` and `after` are the characters on either side of where the input goes (the caret,
    // or the selection it replaces); 0 at the ends of the text.
    FilterDecision Filter(const KeyInput& key, size_t textLength, char16_t before, char16_t after);

    // Whether `c` may stand in an address (non-Latin characters are not checked).
    static bool Accepts(char16_t c);
    // Whether `c` may not stand next to another `c` ("||", ";;", "@@", "%%").
    static bool IsSeparator(char16_t c);

private:
    bool PasteAllowed(char16_t before, char16_t after);

    MessageSink& messages_;
    ClipboardReader clipboard_;
};

} // namespace velkor
