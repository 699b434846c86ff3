#pragma once

#include <optional>

#include "dialogs/keyboard_mode.h"
#include "dialogs/net_selection_decisions.h"
#include "dialogs/protected_entry.h"

// TransOth: the customer types another account number, on the on-screen keypad (kept sealed, one
// character per cell) or in the edit field, as the document's entry style allows, optionally
// starting from a preset; the check box asks to keep it as a new common account. OK checks the
// account and hands over kind ('2', or '3' with the check box), "||000||", the account and "||".
namespace velkor {

namespace trans_oth {
inline constexpr int kEdit = 1001;
inline constexpr int kAccountLabel = 1012;
inline constexpr int kFontLabel = 1013;
inline constexpr int kDisplay = 1014;
inline constexpr int kFirstKey = 1042; // positions 0 to 9: 1042 to 1051
inline constexpr int kCorrection = 1052;
inline constexpr int kClear = 1053;
inline constexpr int kGraphicRadio = 1037;
inline constexpr int kGeneralRadio = 1038;
inline constexpr int kAddToCommon = 1081;
// The longest account before the document sets it, and the longest the result carries.
inline constexpr size_t kMaximumBeforeDocument = 35;
inline constexpr size_t kAccountMaxChars = 40;
} // namespace trans_oth

class TransOthDecisions final : public NetSelectionDecisions {
public:
    TransOthDecisions(NetSelectionRequest& request, DialogTimers& timers, MessageSink& messages,
        FontSizeFile fonts, KeypadDraw draw = SystemKeypadDraw);
    ~TransOthDecisions() override;

    // A keypad key (1042 to 1053): 0 when a character was added or removed, -1 when refused.
    int32_t PressKey(int id);
    // The keyboard radio buttons 1037 and 1038.
    void ChooseKeyboard(int radioId);
    // The check box "加入常用帳號".
    void ToggleAddToCommon();
    // The edit field's text as the window holds it (digits only: the key filter sees to that).
    void SetEditText(const Text& text);
    const Text& EditText() const { return edit_; }
    // Set when a check at OK emptied the edit field: the window gives it the focus.
    bool TakeEditFocusRequest();
    void Ok() override;

    // The keypad position whose key shows `c`, -1 when none does.
    int PositionOf(char16_t c) const;
    // What the protected display 1014 draws: its latest update, and that update's characters in
    // clear (the caller wipes them).
    const DisplayUpdate& Display() const { return display_; }
    Text DisplayCharacters() const;
    int32_t DisplayOffset() const { return entry_.DisplayOffset(); }
    size_t MaximumLength() const { return maximum_; }
    bool EditIsActiveEntry() const { return modes_ && modes_->EditIsActiveEntry(); }

    // For the window's keypad panel, which presses keys on the entry itself.
    const DialogKey& Key() const { return key_; }
    const KeypadOrder& Order() const { return order_; }
    ProtectedEntry& Entry() { return entry_; }

protected:
    void Initialise() override;

private:
    void Apply(const KeyboardModeChange& change);
    void UsePreset(const DocumentElement& element);

    KeypadDraw draw_;
    DialogKey key_;
    KeypadOrder order_;
    ProtectedEntry entry_;
    std::optional<KeyboardModeSwitch> modes_;
    DisplayUpdate display_;
    Text edit_;
    size_t maximum_ = trans_oth::kMaximumBeforeDocument;
    size_t minimum_ = 0;
    bool focusEdit_ = false;
};

} // namespace velkor
