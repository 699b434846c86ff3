#pragma once

#include <cstdint>

// How a dialog's account entry is typed: on the on-screen keypad (graphic) or in an ordinary edit
// field (general), as the document's entry style allows, and what changes on screen when the
// customer switches between the two.
namespace velkor {

enum class KeyboardMode : int32_t { kNotChosen = 0, kGraphic = 4, kGeneral = 5 };

struct EntryStyle {
    int32_t keyType = 0; // 0 to 6; anything else is read as 0
    bool randomOrder = true; // the keypad is shuffled
    KeyboardMode startMode = KeyboardMode::kGraphic;
    bool choiceShown = false; // the two keyboard radio buttons are shown
    bool keypadUsable = true; // the keypad and the protected display can be shown
    bool editUsable = false; // the edit field can be shown
};

EntryStyle EntryStyleFor(int32_t keyType);

// What the dialog does to its controls for one keyboard choice.
struct KeyboardModeChange {
    bool changed = false; // false: the choice was already in force or is not offered
    bool showKeypad = false; // keypad buttons and protected display shown (else hidden)
    bool showEdit = false; // edit field shown (else hidden)
    bool clearEntry = false; // the keypad entry is cleared as by the clear key
    bool emptyEdit = false; // the edit field's text is emptied
    bool focusEdit = false; // the focus moves to the edit field
    KeyboardMode checkedRadio = KeyboardMode::kNotChosen; // the radio button to mark
};

class KeyboardModeSwitch {
public:
    explicit KeyboardModeSwitch(const EntryStyle& style);

    // The state the dialog starts in, applied once at initialisation.
    KeyboardModeChange Start();
    // The customer's choice; a mode the style does not offer changes nothing.
    KeyboardModeChange Choose(KeyboardMode mode);

    KeyboardMode Mode() const { return mode_; }
    const EntryStyle& Style() const { return style_; }
    // True while the edit field is where the account is typed (its input filter applies).
    bool EditIsActiveEntry() const { return mode_ == KeyboardMode::kGeneral; }

private:
    EntryStyle style_;
    KeyboardMode mode_ = KeyboardMode::kNotChosen;
};

} // namespace velkor
