#include "dialogs/keypad_panel.h"

#include <QGridLayout>

#include "crypto/data_process.h"
#include "dialogs/dialog_texts.h"

namespace velkor {

namespace {

constexpr QSize kKeySize(28, 26);
constexpr QSize kWideKeySize(56, 26);
constexpr QColor kCaptionColour(96, 96, 96);
constexpr int kLettersPerRow = 14;

uint8_t RandomBelow(uint32_t range)
{
    return static_cast<uint8_t>(CDataProcess::RandomNumber() % range);
}

// A character key's caption: its one character protected under the key's caption position.
Text ProtectedCaption(char16_t character, int32_t captionKey)
{
    return CDataProcess::ProtectTextForDisplay(std::u16string_view(&character, 1), captionKey);
}

} // namespace

KeypadLook KeypadLook::TransferDialogs()
{
    return { QColor(255, 0, 0), QColor(137, 219, 245) };
}

KeypadLook KeypadLook::CommonAccountForm()
{
    return { QColor(137, 219, 245), QColor(137, 219, 245) };
}

KeypadPanel::KeypadPanel(KeypadKind kind, QWidget* parent)
    : QWidget(parent)
    , kind_(kind)
    , positions_(kind == KeypadKind::kAlphanumeric ? KeypadOrder::kAllPositions
                                                   : KeypadOrder::kDigitPositions)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    const auto addKey = [&](const Text& caption, int row, int column, int span, QSize size) {
        auto* key = new CxShadeButton(this);
        key->setFixedSize(size);
        key->setFocusPolicy(Qt::TabFocus);
        key->SetCaption(caption, false);
        const int index = static_cast<int>(keys_.size());
        connect(key, &QAbstractButton::clicked, this, [this, index] { PressKey(index); });
        grid->addWidget(key, row, column, 1, span);
        keys_.push_back(key);
    };
    // The template captions: 1 to 9 and 0, then A to Z; replaced by Prepare.
    for (size_t i = 0; i < KeypadOrder::kDigitPositions; ++i) {
        addKey(Text(1, static_cast<char16_t>(u'0' + (i + 1) % 10)), 0, static_cast<int>(i), 1,
            kKeySize);
    }
    for (size_t i = KeypadOrder::kDigitPositions; i < positions_; ++i) {
        const int letter = static_cast<int>(i - KeypadOrder::kDigitPositions);
        addKey(Text(1, static_cast<char16_t>(u'A' + letter)), 1 + letter / kLettersPerRow,
            letter % kLettersPerRow, 1, kKeySize);
    }
    addKey(dialog_text::kCorrection, 0, 10, 2, kWideKeySize);
    addKey(dialog_text::kClear, 0, 12, 2, kWideKeySize);
    if (kind_ == KeypadKind::kAlphanumeric) {
        addKey(dialog_text::kCaseToggle, 2, 12, 2, kWideKeySize);
    }
    captionKeys_.assign(positions_, 0);
}

CxShadeButton* KeypadPanel::Key(int index) const
{
    return index >= 0 && index < KeyCount() ? keys_[static_cast<size_t>(index)] : nullptr;
}

bool KeypadPanel::Prepare(
    const DialogKey& key, const KeypadOrder& order, const KeypadLook& look, MessageSink& messages)
{
    key_ = &key;
    order_ = &order;
    lowerCase_ = false;
    for (auto& captionKey : captionKeys_) {
        captionKey = static_cast<int32_t>(RandomBelow(CDataProcess::kKeyOffsetCount));
    }
    for (int i = 0; i < KeyCount(); ++i) {
        CxShadeButton* button = keys_[static_cast<size_t>(i)];
        button->SetTextColor(kCaptionColour);
        const bool character = i < CharacterKeyCount();
        const bool letter = character && i >= static_cast<int>(KeypadOrder::kDigitPositions);
        if (i == CorrectionIndex()) {
            button->SetFont(u"微軟正黑體", 20, 700);
        } else if (i == ClearIndex()) {
            button->SetFont(u"Verdana", 16, 700);
        } else if (i == CaseIndex()) {
            button->SetFont(u"Verdana", 14, 700);
        } else {
            button->SetFont(u"Verdana", 20, letter ? 400 : 700);
        }
        // Random green and red darkening: every key looks a little different on every opening.
        if (character) {
            button->SetShade(5, 8, 20, 5, look.characterTint, 20, RandomBelow(16), RandomBelow(16));
        } else {
            button->SetShade(5, 8, 20, 5, look.functionTint, 20, RandomBelow(32), RandomBelow(20));
            button->SetCaptionKey(captionKeys_.empty() ? 0 : captionKeys_[0], false);
        }
    }
    if (!WriteCaptions()) {
        messages.ShowMessage(dialog_text::kCannotAllocate, kBankCaption);
        return false;
    }
    return true;
}

bool KeypadPanel::WriteCaptions()
{
    if (key_ == nullptr || order_ == nullptr || order_->Positions() < positions_) {
        return false;
    }
    // Every caption is made before any is set, so a failure leaves the keys as they were.
    std::vector<Text> captions(positions_);
    for (size_t i = 0; i < positions_; ++i) {
        char16_t character = order_->CharacterAt(i, lowerCase_, *key_);
        const bool opened = character != 0;
        captions[i] = ProtectedCaption(character, captionKeys_[i]);
        Wipe(&character, sizeof character);
        if (!opened) {
            return false;
        }
    }
    for (size_t i = 0; i < positions_; ++i) {
        keys_[i]->SetCaptionKey(captionKeys_[i], true);
        keys_[i]->SetCaption(captions[i], true);
    }
    return true;
}

void KeypadPanel::SetEntry(ProtectedEntry* entry)
{
    entry_ = entry;
    if (entry_ != nullptr) {
        entry_->SetLowerCase(lowerCase_);
    }
}

void KeypadPanel::SetLowerCase(bool lowerCase)
{
    lowerCase_ = lowerCase;
    if (entry_ != nullptr) {
        entry_->SetLowerCase(lowerCase);
    }
    WriteCaptions();
}

void KeypadPanel::SetDigitKeysVisible(bool visible)
{
    for (size_t i = 0; i < KeypadOrder::kDigitPositions; ++i) {
        keys_[i]->setVisible(visible);
    }
    Key(CorrectionIndex())->setVisible(visible);
    Key(ClearIndex())->setVisible(visible);
}

void KeypadPanel::SetLetterKeysVisible(bool visible)
{
    for (size_t i = KeypadOrder::kDigitPositions; i < positions_; ++i) {
        keys_[i]->setVisible(visible);
    }
    if (CaseIndex() >= 0) {
        Key(CaseIndex())->setVisible(visible);
    }
}

int KeypadPanel::PressKey(int index)
{
    int result = ProtectedEntry::kRefused;
    if (index == CaseIndex()) {
        SetLowerCase(!lowerCase_);
        result = ProtectedEntry::kAccepted;
    } else if (entry_ != nullptr && index == ClearIndex()) {
        entry_->Clear();
        result = ProtectedEntry::kAccepted;
    } else if (entry_ != nullptr && index == CorrectionIndex()) {
        result = entry_->Correction();
    } else if (entry_ != nullptr && index >= 0 && index < CharacterKeyCount()) {
        result = entry_->Press(static_cast<size_t>(index));
    }
    emit KeyPressed(index, result);
    return result;
}

} // namespace velkor
