#include "dialogs/keyboard_mode.h"

namespace velkor {

EntryStyle EntryStyleFor(int32_t keyType)
{
    if (keyType < 0 || keyType > 6) {
        keyType = 0;
    }
    EntryStyle style;
    style.keyType = keyType;
    // Styles 1, 4 and 6 keep the template order; 2 draws an order that is never shown.
    style.randomOrder = keyType != 1 && keyType != 4 && keyType != 6;
    const bool startsGeneral = keyType == 2 || keyType == 5 || keyType == 6;
    style.startMode = startsGeneral ? KeyboardMode::kGeneral : KeyboardMode::kGraphic;
    style.choiceShown = keyType >= 3;
    style.keypadUsable = keyType != 2;
    style.editUsable = keyType >= 2;
    return style;
}

KeyboardModeSwitch::KeyboardModeSwitch(const EntryStyle& style)
    : style_(style)
{
}

KeyboardModeChange KeyboardModeSwitch::Start()
{
    mode_ = style_.startMode;
    KeyboardModeChange change;
    change.changed = true;
    change.showKeypad = mode_ == KeyboardMode::kGraphic;
    change.showEdit = mode_ == KeyboardMode::kGeneral;
    change.clearEntry = true;
    change.emptyEdit = true;
    change.checkedRadio = style_.choiceShown ? mode_ : KeyboardMode::kNotChosen;
    return change;
}

KeyboardModeChange KeyboardModeSwitch::Choose(KeyboardMode mode)
{
    KeyboardModeChange change;
    const bool offered = mode == KeyboardMode::kGraphic ? style_.keypadUsable
        : mode == KeyboardMode::kGeneral                ? style_.editUsable
                                                        : false;
    if (!offered) {
        change.showKeypad = mode_ == KeyboardMode::kGraphic;
        change.showEdit = mode_ == KeyboardMode::kGeneral;
        return change;
    }
    // Choosing the edit field always takes the focus there, even when it already was the mode.
    change.focusEdit = mode == KeyboardMode::kGeneral;
    change.showKeypad = mode == KeyboardMode::kGraphic;
    change.showEdit = mode == KeyboardMode::kGeneral;
    if (mode == mode_) {
        return change;
    }
    mode_ = mode;
    change.changed = true;
    change.checkedRadio = mode;
    // What was typed in the other mode is never carried over.
    change.clearEntry = mode == KeyboardMode::kGraphic;
    change.emptyEdit = true;
    return change;
}

} // namespace velkor
