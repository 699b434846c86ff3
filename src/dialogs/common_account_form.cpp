#include "dialogs/common_account_form.h"

#include <algorithm>
#include <cstdio>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "dialogs/common_account_geometry.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/session_list_decipher.h"
#include "session_result_cipher.h"

namespace velkor {

using namespace common_account;

namespace {

constexpr size_t kEditValueChars = 128;
constexpr size_t kEditPresetChars = 80;
constexpr int32_t kTextDisplayMode = 1;
constexpr int32_t kEmptyDisplayMode = 5;
constexpr int32_t kWholeTextMode = 7;
constexpr int kCorrectionIndex = 36;
constexpr int kClearIndex = 37;
constexpr int kCaseIndex = 38;

const Text kDefaultCountdownWeb = u"60 秒後自動登出";
const Text kDefaultCountdownNet = u"60 秒後自動離開本畫面";

OptText KeyText(std::u16string_view text)
{
    return text.data() == nullptr ? OptText() : OptText(Text(text));
}

OptTextView KeyView(std::u16string_view text)
{
    return text.data() == nullptr ? OptTextView() : OptTextView(text);
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsAlphanumeric(char16_t c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool IsSeparator(char16_t c)
{
    return c == u'|' || c == u';' || c == u'@' || c == u'%';
}

bool HasDoubledSeparator(std::u16string_view text)
{
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == text[i - 1] && IsSeparator(text[i])) {
            return true;
        }
    }
    return false;
}

Text NumberedMessage(const char* format, size_t number)
{
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(number));
    return Utf8ToText(text);
}

} // namespace

CommonAccountForm::CommonAccountForm(CommonAccountRequest& request, DialogTimers& timers,
    MessageSink& messages, ClipboardReader clipboard)
    : request_(request)
    , messages_(messages)
    , clipboard_(std::move(clipboard))
    , countdown_(request.form == CommonAccountFormKind::WebAtm ? CountdownWording::kLogout
                                                               : CountdownWording::kLeave,
          timers, messages)
{
    const bool web = request_.form == CommonAccountFormKind::WebAtm;
    Mutable(kOk) = { dialog_text::kOk, true, false, false, kButtonFace, 0 };
    Mutable(kCancel) = { dialog_text::kCancel, true, true, false, kButtonFace, 0 };
    Mutable(kHeading) = { kDefaultHeading, true, true, false, kFormFace, kGreyText };
    Mutable(kHint) = { Text(), true, true, false, kFormFace, kHintBlue };
    Mutable(kCountdownLabel)
        = { web ? kDefaultCountdownWeb : kDefaultCountdownNet, true, true, false, kFormFace, kRed };
    Mutable(kGeneralKeyboard)
        = { dialog_text::kUseGeneralKeyboard, true, true, false, kFormFace, 0 };
    Mutable(kGraphicKeypad) = { dialog_text::kUseGraphicKeypad, true, true, false, kFormFace, 0 };
    for (int i = 0; i < kCharacterKeys; ++i) {
        Mutable(kFirstKey + i) = {};
    }
    Mutable(kCorrectionKey).text = dialog_text::kCorrection;
    Mutable(kClearKey).text = dialog_text::kClear;
    Mutable(kCaseKey).text = dialog_text::kCaseToggle;
    for (int row = 0; row < static_cast<int>(kCommonAccountRows); ++row) {
        Mutable(LabelId(row)) = { Text(), true, true, false, kFormFace, kGreyText };
        Mutable(DisplayId(row)) = {};
        Mutable(EditId(row)) = { Text(), true, true, false, kWhite, 0 };
        Mutable(ComboId(row)) = { Text(), true, true, false, kWhite, 0 };
    }
}

CommonAccountForm::~CommonAccountForm()
{
    countdown_.Stop();
    WipeEverything();
}

const CommonAccountControl* CommonAccountForm::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

std::optional<int> CommonAccountForm::Start()
{
    WipeString(plainOutput_);
    WipeString(protectedOutput_);
    previousHighlighted_ = -1;

    const ListDecipher decipher = MakeSessionListDecipher(
        KeyText(request_.keys.hash), KeyText(request_.keys.encipheredKey));
    if (ReadCommonAccountDocument(request_.form, request_.document, decipher, messages_, document_)
        != parse_result::kOk) {
        End(kCancelled);
        return result_;
    }
    if (document_.title) {
        Mutable(kHeading).text = *document_.title;
    }
    if (document_.countdownLabel) {
        Mutable(kCountdownLabel).text = *document_.countdownLabel;
    }
    countdown_.SetSeconds(document_.timeoutSeconds);
    for (size_t row = 0; row < RowCount(); ++row) {
        const CommonAccountRow& r = document_.rows[row];
        Mutable(LabelId(static_cast<int>(row))).text = r.name;
        CommonAccountControl& combo = Mutable(ComboId(static_cast<int>(row)));
        combo.enabled = r.listEnabled;
        combo.text = r.selected >= 0 ? r.entries[static_cast<size_t>(r.selected)] : Text();
        // Keypad-only key types always type on the keypad; '3' and '4' start there too.
        keypad_[row] = r.KeypadOnly() || r.keyType == u'3' || r.keyType == u'4';
    }
    if (RowCount() > 0) {
        const char16_t first = document_.rows[0].keyType;
        keypad_[0] = !(first == u'2' || first == u'5' || first == u'6');
    }

    BuildKeypad();
    for (size_t row = 0; row < kCommonAccountRows; ++row) {
        const int id = DisplayId(static_cast<int>(row));
        entries_[row] = std::make_unique<ProtectedEntry>(
            *key_, *order_, [this, id, row](const DisplayUpdate& update) {
                Mutable(id).text = update.text;
                displayModes_[row] = update.mode;
            });
        if (row < RowCount()) {
            const CommonAccountRow& r = document_.rows[row];
            entries_[row]->SetMaximumLength(r.MaximumLength());
            entries_[row]->SetDisplayMode(r.IsSecret() ? velkor::DisplayMode::kMasked
                    : r.type == u'5'                   ? velkor::DisplayMode::kWhole
                                     : static_cast<velkor::DisplayMode>(kTextDisplayMode));
        }
        displayModes_[row] = kEmptyDisplayMode;
    }
    if (RowCount() > 0) {
        MakeCurrent(0);
    }
    if (document_.funType == 2) {
        FunctionTypeTwoStart();
    } else if (RowCount() > 0) {
        LayOut(0);
    } else {
        LayOut(-1);
    }
    if (RowCount() > 0) {
        const bool keypad = keypad_[0];
        Mutable(kGeneralKeyboard).checked = !keypad;
        Mutable(kGraphicKeypad).checked = keypad;
        if (!keypad && !document_.rows[0].IsList()) {
            Mutable(EditId(0)).visible = true;
            MoveFocus(EditId(0));
        }
    }
    ApplyPresets();
    MinimumLengthCheck();
    Mutable(kCountdownLabel).visible = false;
    if (request_.form == CommonAccountFormKind::NetBank) {
        Mutable(kHeading).visible = false;
    }
    if (document_.funType == 2) {
        Mutable(kOk).enabled = true;
        for (size_t row = 0; row < RowCount(); ++row) {
            if (request_.form == CommonAccountFormKind::WebAtm && !document_.rows[row].IsSecret()) {
                const int r = static_cast<int>(row);
                Mutable(LabelId(r)).background = kFormFace;
                Mutable(DisplayId(r)).background = kFormFace;
                Mutable(DisplayId(r)).enabled = false;
                Mutable(EditId(r)).visible = false;
            }
        }
    }
    countdown_.Start();
    return std::nullopt;
}

void CommonAccountForm::BuildKeypad()
{
    key_ = std::make_unique<DialogKey>();
    order_ = std::make_unique<KeypadOrder>();
    key_->Make();
    for (int32_t& position : captionKeys_) {
        position
            = static_cast<int32_t>(CDataProcess::RandomNumber() % CDataProcess::kKeyOffsetCount);
    }
    if (!order_->Build(KeypadKind::kAlphanumeric, document_.keyOrder != 1, *key_)) {
        messages_.ShowMessage(dialog_text::kCannotAllocate, kBankCaption);
    }
    ProtectKeypadOrder();
    lowerCase_ = false;
    WriteKeyCaptions();
}

// The order as text (ten digits, twenty-six letters, two empty places, ";;"), its first 40 bytes
// protected under the session key: a check at start that the page's session key works, whose
// result OK replaces.
void CommonAccountForm::ProtectKeypadOrder()
{
    Text order(40, u'\0');
    WipeOnExit<Text> wipeOrder(order);
    for (size_t i = 0; i < KeypadOrder::kAllPositions; ++i) {
        order[i] = order_->CharacterAt(i, false, *key_);
    }
    order[38] = u';';
    order[39] = u';';
    SecureBytes bytes(40);
    for (size_t i = 0; i < 20; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(order[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(order[i] >> 8);
    }
    const uint8_t zero[8] = {};
    Text output;
    ScopedEmbeddedKeys keys;
    if (CDataProcess::ProtectOutput(0, std::span<const uint8_t>(bytes.data(), bytes.size()), zero,
            ChainMode::CbcNoPadding, KeyView(request_.keys.hash),
            KeyView(request_.keys.encipheredKey), output)
        != 0) {
        keys.Close(); // not open while the message waits for the customer
        WipeString(protectedOutput_);
        messages_.ShowMessage(kCipherDataError, kBankCaption);
        return;
    }
    protectedOutput_ = std::move(output);
}

void CommonAccountForm::WriteKeyCaptions()
{
    for (int i = 0; i < kCharacterKeys; ++i) {
        Mutable(kFirstKey + i).text = KeyCaption(i);
    }
}

Text CommonAccountForm::KeyCaption(int index) const
{
    if (index < 0 || index >= kCharacterKeys || !order_) {
        return {};
    }
    char16_t character = order_->CharacterAt(static_cast<size_t>(index), lowerCase_, *key_);
    Text caption = character == 0 ? Text()
                                  : CDataProcess::ProtectTextForDisplay(
                                      std::u16string_view(&character, 1), captionKeys_[index]);
    Wipe(&character, sizeof character);
    return caption;
}

int32_t CommonAccountForm::CaptionKey(int index) const
{
    return index >= 0 && index < kCharacterKeys ? captionKeys_[index] : captionKeys_[0];
}

int CommonAccountForm::KeyShowing(char16_t c) const
{
    if (!order_) {
        return -1;
    }
    for (int i = 0; i < kCharacterKeys; ++i) {
        if (order_->CharacterAt(static_cast<size_t>(i), lowerCase_, *key_) == c) {
            return i;
        }
    }
    return -1;
}

int32_t CommonAccountForm::DisplayOffset(size_t row) const
{
    return entries_[row] ? entries_[row]->DisplayOffset() : 0;
}

Text CommonAccountForm::DisplayCharacters(size_t row) const
{
    const Text& text = Control(DisplayId(static_cast<int>(row))).text;
    const int32_t mode = displayModes_[row];
    if (mode == 3 || mode == 5 || mode == 6 || text.empty()) {
        return text;
    }
    Text plain;
    CDataProcess::RevealForDisplay(text, DisplayOffset(row), plain);
    return plain;
}

// ---- Presets --------------------------------------------------------------------------------

void CommonAccountForm::ApplyPresets()
{
    const bool web = request_.form == CommonAccountFormKind::WebAtm;
    for (size_t row = 0; row < RowCount(); ++row) {
        const CommonAccountRow& r = document_.rows[row];
        if (r.preset.empty()) {
            continue;
        }
        Text plain;
        WipeOnExit<Text> wipePlain(plain);
        bool good = true;
        // A drop-down row's preset (function type 2) was deciphered with its list.
        if (r.Enciphered() && !r.IsList()) {
            ScopedEmbeddedKeys keys;
            int32_t length = static_cast<int32_t>(r.preset.size());
            good = r.preset.size() % 16 == 0
                && CDataProcess::SessionCipher(1, CDataProcess::kInputHex, length, r.preset,
                       KeyView(request_.keys.hash), KeyView(request_.keys.encipheredKey), plain)
                    == 0;
        } else {
            plain = r.preset;
        }
        const bool checkCharacters = web || r.keyType != u'2';
        if (good && checkCharacters && r.type == u'3') {
            good = std::all_of(plain.begin(), plain.end(), IsDigit);
        } else if (good && checkCharacters && r.type == u'4') {
            good = std::all_of(plain.begin(), plain.end(), IsAlphanumeric);
        }
        // The entry store keeps one byte per character: a preset beyond ASCII would come out
        // as other characters, so it is refused as a wrong preset.
        const bool sealed = keypad_[row] && (r.KeypadOnly() || r.SwitchesKeyboard());
        if (good && sealed) {
            good = std::all_of(plain.begin(), plain.end(), [](char16_t c) { return c < 0x80; });
        }
        if (!good) {
            messages_.ShowMessage(
                NumberedMessage("第%d項之預設值錯誤,忽略", row + 1), kBankCaption);
            return;
        }
        const int id = static_cast<int>(row);
        const size_t editKeep = r.defaultValue > 0
            ? std::min(kEditPresetChars, static_cast<size_t>(r.defaultValue))
            : kEditPresetChars;
        if (sealed) {
            entries_[row]->Preset(plain);
            Mutable(EditId(id)).visible = false;
        } else if (r.SwitchesKeyboard()) {
            SetEditText(id, plain.substr(0, editKeep));
        } else if (r.keyType == u'2') {
            SetEditText(id, plain.substr(0, editKeep));
            if (document_.funType == 2) {
                const Text shown = plain.substr(0, editKeep);
                Mutable(DisplayId(id)).text
                    = CDataProcess::ProtectTextForDisplay(shown, DisplayOffset(row));
                displayModes_[row] = kWholeTextMode;
                Mutable(DisplayId(id)).visible = true;
                Mutable(EditId(id)).visible = false;
                Mutable(EditId(id)).enabled = false;
            }
        }
    }
}

// ---- Current row and layout -------------------------------------------------------------------

void CommonAccountForm::Highlight(size_t row)
{
    CommonAccountControl& display = Mutable(DisplayId(static_cast<int>(row)));
    display.background = kHighlight;
    display.textColour = kWhite;
}

void CommonAccountForm::SetInactive(size_t row)
{
    CommonAccountControl& display = Mutable(DisplayId(static_cast<int>(row)));
    display.background = kWhite;
    display.textColour = kGreyText;
}

void CommonAccountForm::SetHint(const Text& text)
{
    Mutable(kHint).text = text;
    Mutable(kHint).textColour = kRed;
}

void CommonAccountForm::MakeCurrent(int row)
{
    const int previous = previousHighlighted_;
    current_ = row;
    const CommonAccountRow& r = document_.rows[static_cast<size_t>(row)];
    const bool web = request_.form == CommonAccountFormKind::WebAtm;
    if (!r.IsList()) {
        if (r.SwitchesKeyboard()) {
            if (keypad_[static_cast<size_t>(row)]) {
                Highlight(static_cast<size_t>(row));
                MoveFocus(kFirstKey);
                Mutable(EditId(row)).visible = false;
                Mutable(kGraphicKeypad).checked = true;
                Mutable(kGeneralKeyboard).checked = false;
            } else {
                Mutable(DisplayId(row)).visible = false;
                Mutable(kGeneralKeyboard).checked = true;
                Mutable(kGraphicKeypad).checked = false;
            }
            previousHighlighted_ = row;
        } else if (r.KeypadOnly()) {
            if (document_.funType != 2 || !web || r.IsSecret()) {
                Highlight(static_cast<size_t>(row));
                MoveFocus(kFirstKey);
                previousHighlighted_ = row;
            }
        } else {
            Mutable(DisplayId(row)).visible = false;
        }
    }
    if (previous >= 0 && previous != row && static_cast<size_t>(previous) < RowCount()
        && document_.funType != 2 && keypad_[static_cast<size_t>(row)]) {
        SetInactive(static_cast<size_t>(previous));
    }
}

void CommonAccountForm::ShowKeys(bool digits, bool letters)
{
    digitKeys_ = digits;
    letterKeys_ = letters;
    for (int i = 0; i < kCharacterKeys; ++i) {
        Mutable(kFirstKey + i).visible = i < 10 ? digits : letters;
    }
    Mutable(kCorrectionKey).visible = digits;
    Mutable(kClearKey).visible = digits;
    Mutable(kCaseKey).visible = letters;
}

int CommonAccountForm::HiddenKeypadRows() const
{
    return (digitKeys_ ? 0 : 1) + (letterKeys_ ? 0 : 2);
}

void CommonAccountForm::LayOut(int row)
{
    const bool ft2 = document_.funType == 2;
    const bool web = request_.form == CommonAccountFormKind::WebAtm;
    if (row >= 0) {
        const CommonAccountRow& r = document_.rows[static_cast<size_t>(row)];
        const bool keypad = keypad_[static_cast<size_t>(row)];
        const char16_t k = r.keyType;
        if (r.IsList()) {
            SetHint(kHintChoose);
        } else if (r.KeypadOnly() || (r.SwitchesKeyboard() && keypad)) {
            SetHint(kHintKeypad);
        } else {
            SetHint(kHintKeyboard);
        }
        // Keys are hidden, never shown, except that a row typed on the keypad brings back the
        // digit keys a keyboard row hid: without them it could not be filled at all. Letter keys
        // once hidden stay hidden.
        if (!ft2) {
            if (k == u'0' || k == u'1'
                || ((k == u'3' || k == u'4' || k == u'5' || k == u'6') && keypad)) {
                ShowKeys(true, false);
            } else if (k == u'7' || k == u'8') {
                ShowKeys(true, letterKeys_);
            } else if (k == u'2' || k == u'3' || k == u'4' || k == u'5' || k == u'6') {
                ShowKeys(false, false);
            }
        } else if (!web || !r.IsSecret() || k == u'2' || k == u'5' || k == u'6') {
            ShowKeys(false, false);
        } else if (k == u'0' || k == u'1' || k == u'3' || k == u'4') {
            ShowKeys(true, false);
        }
        const bool radios = (r.type == u'3' || r.IsSecret()) && r.SwitchesKeyboard();
        Mutable(kGeneralKeyboard).visible = radios;
        Mutable(kGraphicKeypad).visible = radios;
    } else {
        ShowKeys(false, false);
        Mutable(kGeneralKeyboard).visible = false;
        Mutable(kGraphicKeypad).visible = false;
    }
    for (size_t i = 0; i < kCommonAccountRows; ++i) {
        const int id = static_cast<int>(i);
        CommonAccountControl& display = Mutable(DisplayId(id));
        CommonAccountControl& combo = Mutable(ComboId(id));
        CommonAccountControl& edit = Mutable(EditId(id));
        if (i >= RowCount()) {
            Mutable(LabelId(id)).visible = false;
            display.visible = combo.visible = edit.visible = false;
            continue;
        }
        const CommonAccountRow& r = document_.rows[i];
        if (r.IsList()) {
            // In function type 2 a list row shows the value its preset put on its display.
            display.visible = ft2 && displayModes_[i] == kWholeTextMode;
            combo.visible = !ft2;
            edit.visible = false;
        } else if (r.keyType == u'2') {
            if (!ft2) {
                display.visible = false;
                edit.visible = true;
            }
            combo.visible = false;
        } else if (r.SwitchesKeyboard()) {
            if (!ft2) {
                display.visible = keypad_[i];
                edit.visible = !keypad_[i];
            }
            combo.visible = false;
        } else {
            display.visible = true;
            combo.visible = false;
            edit.visible = false;
        }
    }
}

void CommonAccountForm::FunctionTypeTwoStart()
{
    if (request_.form == CommonAccountFormKind::NetBank) {
        LayOut(RowCount() > 0 ? 0 : -1);
        return;
    }
    for (size_t row = 0; row < RowCount(); ++row) {
        const CommonAccountRow& r = document_.rows[row];
        if (r.IsSecret()) {
            MakeCurrent(static_cast<int>(row));
            LayOut(static_cast<int>(row));
            const char16_t k = r.keyType;
            if (k == u'0' || k == u'1' || k == u'3' || k == u'4') {
                SetHint(kHintKeypad);
            }
            return;
        }
    }
    LayOut(RowCount() > 0 ? 0 : -1);
    Mutable(kHint).text.clear();
}

bool CommonAccountForm::Choosable(size_t row) const
{
    return document_.funType != 2 || document_.rows[row].IsSecret();
}

int CommonAccountForm::ActiveRow() const
{
    return current_ >= 0 && static_cast<size_t>(current_) < RowCount() ? current_ : 0;
}

void CommonAccountForm::FocusRow(int row)
{
    if (result_ || row < 0 || static_cast<size_t>(row) >= RowCount()) {
        return;
    }
    MakeCurrent(row);
    LayOut(row);
    if (!document_.rows[static_cast<size_t>(row)].IsList()) {
        for (size_t i = 0; i < RowCount(); ++i) {
            SetInactive(i);
        }
    }
    previousHighlighted_ = -1;
}

void CommonAccountForm::SelectEntry(int row, int index)
{
    if (result_ || row < 0 || static_cast<size_t>(row) >= RowCount()) {
        return;
    }
    CommonAccountRow& r = document_.rows[static_cast<size_t>(row)];
    if (index >= 0 && static_cast<size_t>(index) < r.entries.size()) {
        r.selected = index;
        Mutable(ComboId(row)).text = r.entries[static_cast<size_t>(index)];
    }
    if (row == 0) {
        MakeCurrent(0);
        LayOut(0);
    }
}

void CommonAccountForm::MouseReleased(int x, int y)
{
    if (result_) {
        return;
    }
    const auto& geometry = common_account_geometry::For(request_.form);
    for (size_t row = 0; row < RowCount(); ++row) {
        if (geometry.Band(static_cast<int>(row)).Contains(x, y) && Choosable(row)) {
            MakeCurrent(static_cast<int>(row));
            LayOut(static_cast<int>(row));
            SetHint(kHintKeypad);
            break;
        }
    }
    if (document_.funType != 2) {
        for (size_t row = 0; row < RowCount(); ++row) {
            if (static_cast<int>(row) != current_) {
                SetInactive(row);
            }
        }
    }
}

// ---- Keypad and keyboard switch ---------------------------------------------------------------

bool CommonAccountForm::Click(int id)
{
    const CommonAccountControl* control = Find(id);
    if (result_ || control == nullptr || !control->visible || !control->enabled) {
        return false;
    }
    if (id == kOk) {
        Ok();
    } else if (id == kCancel) {
        Cancel();
    } else if (id == kGeneralKeyboard || id == kGraphicKeypad) {
        SwitchKeyboard(id == kGraphicKeypad);
    } else if (id >= kFirstKey && id <= kCaseKey) {
        PressKey(id - kFirstKey);
    } else {
        return false;
    }
    return true;
}

void CommonAccountForm::PressKey(int index)
{
    if (result_ || RowCount() == 0 || index < 0 || index > kCaseIndex) {
        return;
    }
    if (index == kCaseIndex) {
        lowerCase_ = !lowerCase_;
        for (auto& entry : entries_) {
            entry->SetLowerCase(lowerCase_);
        }
        WriteKeyCaptions();
        return;
    }
    const size_t row = static_cast<size_t>(ActiveRow());
    if (document_.rows[row].IsList()) {
        return; // a drop-down row holds no typed characters
    }
    if (index == kClearIndex) {
        ClearEntry(static_cast<int>(row));
        return;
    }
    if (index == kCorrectionIndex) {
        entries_[row]->Correction();
    } else {
        entries_[row]->Press(static_cast<size_t>(index));
    }
    MinimumLengthCheck();
}

void CommonAccountForm::ClearEntry(int row)
{
    entries_[static_cast<size_t>(row)]->Clear();
    Highlight(static_cast<size_t>(row));
    MinimumLengthCheck();
}

void CommonAccountForm::SwitchKeyboard(bool keypad)
{
    const int row = ActiveRow();
    keypad_[static_cast<size_t>(row)] = keypad;
    LayOut(row);
    Mutable(kGeneralKeyboard).checked = !keypad;
    Mutable(kGraphicKeypad).checked = keypad;
    if (!keypad) {
        SetHint(kHintKeyboard);
        MoveFocus(EditId(row));
        ShowKeys(false, letterKeys_);
        ClearEntry(row);
        Mutable(EditId(row)).visible = true;
        Mutable(DisplayId(row)).visible = false;
    } else {
        ShowKeys(true, letterKeys_);
        SetEditText(row, Text());
        Mutable(EditId(row)).visible = false;
        Mutable(DisplayId(row)).visible = true;
        Highlight(static_cast<size_t>(row));
        SetHint(kHintKeypad);
        MinimumLengthCheck();
    }
}

// ---- Ordinary keyboard ------------------------------------------------------------------------

void CommonAccountForm::SetEditText(int row, const Text& text)
{
    if (row < 0 || static_cast<size_t>(row) >= kCommonAccountRows) {
        return;
    }
    Text& stored = Mutable(EditId(row)).text;
    WipeString(stored);
    stored = text;
}

bool CommonAccountForm::FilterKey(const KeyInput& key, const Text& editText, size_t caret)
{
    if (result_) {
        return false;
    }
    if ((key.kind == KeyInput::Kind::kKeyDown && key.keyCode == kKeyEnter)
        || (key.kind == KeyInput::Kind::kCharacter && key.character == kKeyEnter)) {
        return true;
    }
    if (RowCount() == 0) {
        return false;
    }
    const int row = ActiveRow();
    const CommonAccountRow& r = document_.rows[static_cast<size_t>(row)];
    caret = std::min(caret, editText.size());
    if (key.kind == KeyInput::Kind::kKeyDown) {
        if (key.keyCode == kKeyDelete) {
            MinimumLengthCheck(row, kKeyDelete, caret < editText.size());
        } else if (key.keyCode == kKeyV && key.control && !r.IsList()) {
            // The whole clipboard is examined: a digits-only row takes no letter from a long
            // paste, and no paste may make a separator of the output ("||", ";;") appear.
            Text pasted = clipboard_ ? clipboard_() : Text();
            WipeOnExit<Text> wipePasted(pasted);
            if (r.type == u'3' && !std::all_of(pasted.begin(), pasted.end(), IsDigit)) {
                messages_.ShowMessage(dialog_text::kMustBeDigits, kBankCaption);
                return true;
            }
            Text joined = editText.substr(0, caret) + pasted + editText.substr(caret);
            WipeOnExit<Text> wipeJoined(joined);
            if (HasDoubledSeparator(joined)) {
                return true;
            }
        }
        return false;
    }
    const char16_t c = key.character;
    if (r.IsList()) {
        return true;
    }
    if (r.type == u'3' && !IsDigit(c) && c != kCharBackspace && c != kCharCopy && c != kCharPaste) {
        return true;
    }
    MinimumLengthCheck(row, c, c == kCharBackspace && caret > 0);
    if (c != kCharBackspace
        && static_cast<int64_t>(editText.size()) >= static_cast<int64_t>(r.defaultValue)) {
        return true;
    }
    if (IsSeparator(c)
        && ((caret > 0 && editText[caret - 1] == c)
            || (caret < editText.size() && editText[caret] == c))) {
        return true;
    }
    return false;
}

// ---- Minimum length ---------------------------------------------------------------------------

bool CommonAccountForm::RowPasses(size_t row, int editedRow, int character, bool removes) const
{
    const CommonAccountRow& r = document_.rows[row];
    if (r.IsList()) {
        return true;
    }
    const int64_t min = r.min;
    if (r.KeypadOnly() || (r.SwitchesKeyboard() && keypad_[row])) {
        return static_cast<int64_t>(entries_[row]->Count()) >= min;
    }
    const int64_t length = static_cast<int64_t>(Control(EditId(static_cast<int>(row))).text.size());
    if (static_cast<int>(row) != editedRow) {
        return length >= min;
    }
    if (removes) {
        return length > min;
    }
    if (character == kKeyDelete || character == kCharBackspace) {
        return length >= min; // nothing removed
    }
    return r.SwitchesKeyboard() ? length >= min - 1 : true;
}

void CommonAccountForm::MinimumLengthCheck(int editedRow, int character, bool removes)
{
    bool pass = true;
    for (size_t row = 0; pass && row < RowCount(); ++row) {
        pass = RowPasses(row, editedRow, character, removes);
    }
    Mutable(kOk).enabled = pass;
}

// ---- Countdown, confirmation, cancel -----------------------------------------------------------

void CommonAccountForm::Tick(int id)
{
    if (result_ || id != kCountdownTimerId) {
        return;
    }
    const bool expired = countdown_.Tick();
    const CountdownLabel& label = countdown_.Label();
    if (!label.text.empty()) {
        Mutable(kCountdownLabel).text = label.text;
    }
    Mutable(kCountdownLabel).visible = label.visible;
    if (expired) {
        Cancel();
    }
}

bool CommonAccountForm::ReadRowValue(size_t row, Text& value)
{
    const CommonAccountRow& r = document_.rows[row];
    WipeString(value);
    if (r.IsList()) {
        Text plain;
        WipeOnExit<Text> wipePlain(plain);
        if (r.Enciphered()) {
            ScopedEmbeddedKeys keys;
            int32_t length = static_cast<int32_t>(r.content.size());
            if (r.content.empty()
                || CDataProcess::SessionCipher(1, CDataProcess::kInputHex, length, r.content,
                       KeyView(request_.keys.hash), KeyView(request_.keys.encipheredKey), plain)
                    != 0) {
                keys.Close(); // not open while the message waits for the customer
                messages_.ShowMessage(dialog_text::kListDataFailed, kBankCaption);
                return true;
            }
        } else {
            plain = r.content;
        }
        if (auto choice = CommonAccountItem(plain, r.selected)) {
            shownValue_[row] = choice->display;
            value = choice->code;
            WipeString(choice->display);
            WipeString(choice->code);
        }
        return true;
    }
    if (r.KeypadOnly() || (r.SwitchesKeyboard() && keypad_[row])) {
        if (entries_[row]->Count() == 0) {
            messages_.ShowMessage(NumberedMessage("請輸入第 %d 項資料", row + 1), kBankCaption);
            return false;
        }
        entries_[row]->ReadTypedValue(value);
    } else {
        value = Control(EditId(static_cast<int>(row))).text.substr(0, kEditValueChars);
    }
    if (!r.IsSecret()) {
        shownValue_[row] = value;
    }
    return true;
}

void CommonAccountForm::Ok()
{
    if (result_ || !OkEnabled()) {
        return;
    }
    countdown_.Stop();
    WipeString(plainOutput_);
    WipeString(protectedOutput_);
    for (Text& shown : shownValue_) {
        WipeString(shown);
    }
    const bool web = request_.form == CommonAccountFormKind::WebAtm;
    Text pin;
    WipeOnExit<Text> wipePin(pin);
    bool pinFound = false;
    Text value;
    WipeOnExit<Text> wipeValue(value);
    for (size_t row = 0; row < RowCount(); ++row) {
        const CommonAccountRow& r = document_.rows[row];
        const bool read = ReadRowValue(row, value);
        if (result_) {
            return; // cancelled while a message was shown (the page went away)
        }
        if (!read) {
            WipeString(plainOutput_);
            return; // the form stays open, without its countdown
        }
        if (web && r.type == u'6' && !pinFound) {
            pin = value;
            pinFound = true;
        }
        const bool keyCells = r.keyType == u'7' || r.keyType == u'8';
        if (keyCells && r.type == u'6') {
            continue; // the PIN leaves the form only through the card's check
        }
        plainOutput_ += value;
        plainOutput_ += keyCells && !r.IsList() ? u";;" : u"||";
    }
    if (pinFound) {
        SecureBytes pinBytes = TextLow8(pin);
        const int32_t status = request_.verifyPin ? request_.verifyPin(pinBytes) : -1;
        if (status != 0 && status != 0x9000) {
            WipeEverything();
            End(kPinRefused);
            return;
        }
    }
    Text enciphered;
    if (EncipherResultForBank(plainOutput_, request_.keys, enciphered) != 0) {
        messages_.ShowMessage(kCipherDataError, kBankCaption); // with the key store closed
        if (result_) {
            return;
        }
    } else {
        protectedOutput_ = std::move(enciphered);
    }
    WipeString(request_.plainOutput);
    request_.plainOutput = plainOutput_;
    request_.protectedOutput = protectedOutput_;
    if (web) {
        request_.confirmationDocument = ConfirmationDocument();
    }
    WipeEverything();
    End(kConfirmed);
}

Text CommonAccountForm::ConfirmationDocument() const
{
    Text document = u"<MSG> <Tag1>" + Control(kHeading).text
        + u"</Tag1> <Tag2>※請核常用帳號資料，並依畫面指示進行操作。</Tag2> <Tag3> </Tag3> ";
    int tag = 4;
    for (size_t row = 0; row < RowCount(); ++row) {
        const CommonAccountRow& r = document_.rows[row];
        if (r.IsSecret()) {
            continue;
        }
        const Text first = Utf8ToText(std::to_string(tag));
        const Text second = Utf8ToText(std::to_string(tag + 1));
        document += u"<Tag" + first + u">" + r.name + u"</Tag" + first + u"> <Tag" + second + u">"
            + shownValue_[row] + u"</Tag" + second + u"> ";
        tag += 2;
    }
    document += u"</MSG>";
    return document;
}

void CommonAccountForm::Cancel()
{
    if (result_) {
        return;
    }
    countdown_.Stop();
    WipeEverything();
    End(kCancelled);
}

void CommonAccountForm::WipeEverything()
{
    for (auto& entry : entries_) {
        entry.reset(); // the entry stores wipe their cells
    }
    order_.reset();
    key_.reset();
    Wipe(captionKeys_.data(), sizeof captionKeys_);
    for (size_t row = 0; row < kCommonAccountRows; ++row) {
        WipeString(Mutable(EditId(static_cast<int>(row))).text);
        WipeString(Mutable(DisplayId(static_cast<int>(row))).text);
        WipeString(shownValue_[row]);
    }
    for (int i = 0; i < kCharacterKeys; ++i) {
        WipeString(Mutable(kFirstKey + i).text);
    }
    WipeString(plainOutput_);
    WipeString(protectedOutput_);
    for (CommonAccountRow& row : document_.rows) {
        WipeString(row.content);
        WipeString(row.preset);
    }
}

void CommonAccountForm::End(int result)
{
    countdown_.Stop();
    result_ = result;
}

} // namespace velkor
