#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <vector>

#include "dialogs/message_sink.h"
#include "dialogs/protected_entry.h"
#include "widgets/shade_button.h"

// The on-screen keypad the secure dialogs embed: shaded keys laid out in rows, each character key
// captioned with protected text under its own random caption key position (so no key's text holds
// its character), and the correction, clear and case keys. Presses go to the entry field the dialog
// makes current.
namespace velkor {

// The tints of the keys: the character keys and the function keys (correction, clear, case).
struct KeypadLook {
    QColor characterTint;
    QColor functionTint;

    // The transfer-account and net-bank selection dialogs.
    static KeypadLook TransferDialogs();
    // The common-account entry forms.
    static KeypadLook CommonAccountForm();
};

class KeypadPanel : public QWidget {
    Q_OBJECT
public:
    // Key indexes: 0 to 9 digit positions, 10 to 35 letter positions (alphanumeric keypad), then
    // the correction, clear and (alphanumeric keypad) case keys.
    explicit KeypadPanel(KeypadKind kind, QWidget* parent = nullptr);

    // Draws the caption key positions, sets the protected captions, fonts and shades. When the
    // order does not open, tells the customer "無法配置XML記憶體" and the keys keep their template
    // captions (false).
    bool Prepare(const DialogKey& key, const KeypadOrder& order, const KeypadLook& look,
        MessageSink& messages);
    // The field that receives presses; none refuses them.
    void SetEntry(ProtectedEntry* entry);
    ProtectedEntry* Entry() const { return entry_; }

    // Rewrites the letter captions in lower or upper case and tells the current entry.
    void SetLowerCase(bool lowerCase);
    bool LowerCase() const { return lowerCase_; }

    int CharacterKeyCount() const { return static_cast<int>(positions_); }
    int CorrectionIndex() const { return CharacterKeyCount(); }
    int ClearIndex() const { return CharacterKeyCount() + 1; }
    int CaseIndex() const
    {
        return kind_ == KeypadKind::kAlphanumeric ? CharacterKeyCount() + 2 : -1;
    }
    int KeyCount() const { return static_cast<int>(keys_.size()); }
    CxShadeButton* Key(int index) const;

    // Shows or hides the character and function keys (the dialogs hide keys that a field does not
    // use).
    void SetDigitKeysVisible(bool visible);
    void SetLetterKeysVisible(bool visible);

    // Runs a key as if clicked: returns 0 when a character was added or removed, -1 when refused.
    int PressKey(int index);

signals:
    // After every key: its index and the result of the press (0 or -1; 0 for the case key).
    void KeyPressed(int index, int result);

private:
    bool WriteCaptions();

    KeypadKind kind_;
    size_t positions_;
    std::vector<CxShadeButton*> keys_;
    std::vector<int32_t> captionKeys_;
    const DialogKey* key_ = nullptr;
    const KeypadOrder* order_ = nullptr;
    ProtectedEntry* entry_ = nullptr;
    bool lowerCase_ = false;
};

} // namespace velkor
