#include "dialogs/trans_oth_decisions.h"

#include <algorithm>
#include <utility>

#include "common/secure_buffer.h"
#include "dialogs/account_validation.h"
#include "net_selection_result.h"

namespace velkor {

using namespace trans_oth;

namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// A preset must suit the element's type: '3' digits only, '4' digits and ASCII letters.
bool PresetSuits(char16_t type, std::u16string_view preset)
{
    if (type == u'3') {
        return std::all_of(preset.begin(), preset.end(), IsDigit);
    }
    if (type == u'4') {
        return std::all_of(
            preset.begin(), preset.end(), [](char16_t c) { return IsDigit(c) || IsLetter(c); });
    }
    return true;
}

Text PresetIgnoredMessage()
{
    Text text = net_selection::kPresetIgnored;
    text.replace(text.find(u"%d"), 2, u"1");
    return text;
}

} // namespace

TransOthDecisions::TransOthDecisions(NetSelectionRequest& request, DialogTimers& timers,
    MessageSink& messages, FontSizeFile fonts, KeypadDraw draw)
    : NetSelectionDecisions(DialogKind::kTransOth, request, timers, messages, std::move(fonts))
    , draw_(std::move(draw))
    , entry_(key_, order_, [this](const DisplayUpdate& update) { display_ = update; })
{
    static const std::pair<int, const char16_t*> kTemplate[]
        = { { kAccountLabel, u"其它帳號" }, { kFontLabel, u"顯示字型" },
              { kGraphicRadio, u"使用圖形鍵盤" }, { kGeneralRadio, u"使用一般鍵盤" },
              { kAddToCommon, u"加入常用帳號" }, { kCorrection, u"更正" }, { kClear, u"清除" } };
    for (const auto& [id, text] : kTemplate) {
        Mutable(id).text = text;
    }
    for (int i = 0; i < 10; ++i) {
        Mutable(kFirstKey + i).text = Text(1, i == 9 ? u'0' : static_cast<char16_t>(u'1' + i));
    }
    Mutable(kEdit);
    Mutable(kDisplay);
}

TransOthDecisions::~TransOthDecisions()
{
    WipeString(edit_);
    WipeString(display_.text);
}

void TransOthDecisions::Initialise()
{
    const ParameterDocument& document = Document();
    const DocumentElement* element = FirstElement();
    if (element != nullptr) {
        // The result carries at most 40 characters of the account: a longer maximum would let
        // the customer type digits that are then silently dropped.
        maximum_ = static_cast<size_t>(
            std::clamp<int32_t>(element->defaultValue, 0, static_cast<int32_t>(kAccountMaxChars)));
        minimum_ = static_cast<size_t>(std::max<int32_t>(element->min, 0));
    }
    const EntryStyle style = EntryStyleFor(document.keyType);
    key_.Make();
    order_.Build(KeypadKind::kDigits, style.randomOrder, key_, draw_);
    entry_.SetMaximumLength(maximum_);
    entry_.SetDisplayMode(DisplayMode::kClear);
    modes_.emplace(style);
    Mutable(kGraphicRadio).visible = style.choiceShown;
    Mutable(kGeneralRadio).visible = style.choiceShown;
    Apply(modes_->Start());

    NetControl& keep = Mutable(kAddToCommon);
    if (document.addComm == 1) {
        keep.visible = false;
        keep.enabled = false;
    } else {
        keep.checked = document.check == 1;
    }
    if (element != nullptr) {
        UsePreset(*element);
    }
}

void TransOthDecisions::UsePreset(const DocumentElement& element)
{
    if (element.result == parse_result::kDecipherFailed) {
        messages_.ShowMessage(PresetIgnoredMessage(), kBankCaption);
        return;
    }
    if (element.result != parse_result::kOk || element.preset.empty()) {
        return; // no preset, or one of the wrong length (already told)
    }
    if (!PresetSuits(element.type, element.preset)) {
        messages_.ShowMessage(PresetIgnoredMessage(), kBankCaption);
        return;
    }
    if (modes_->EditIsActiveEntry()) {
        SetEditText(element.preset);
    } else {
        entry_.Preset(element.preset);
    }
}

void TransOthDecisions::Apply(const KeyboardModeChange& change)
{
    if (!change.changed) {
        focusEdit_ = focusEdit_ || change.focusEdit;
        return;
    }
    for (int id = kFirstKey; id <= kClear; ++id) {
        Mutable(id).visible = change.showKeypad;
    }
    Mutable(kDisplay).visible = change.showKeypad;
    Mutable(kEdit).visible = change.showEdit;
    if (change.clearEntry) {
        entry_.Clear();
    }
    if (change.emptyEdit) {
        WipeString(edit_);
    }
    focusEdit_ = focusEdit_ || change.focusEdit;
    if (change.checkedRadio != KeyboardMode::kNotChosen) {
        Mutable(kGraphicRadio).checked = change.checkedRadio == KeyboardMode::kGraphic;
        Mutable(kGeneralRadio).checked = change.checkedRadio == KeyboardMode::kGeneral;
    }
}

int32_t TransOthDecisions::PressKey(int id)
{
    if (!IsOpen() || !modes_ || modes_->EditIsActiveEntry()) {
        return ProtectedEntry::kRefused;
    }
    if (id == kCorrection) {
        return entry_.Correction();
    }
    if (id == kClear) {
        entry_.Clear();
        return ProtectedEntry::kAccepted;
    }
    if (id >= kFirstKey && id < kFirstKey + 10) {
        return entry_.Press(static_cast<size_t>(id - kFirstKey));
    }
    return ProtectedEntry::kRefused;
}

void TransOthDecisions::ChooseKeyboard(int radioId)
{
    if (!IsOpen() || !modes_) {
        return;
    }
    if (radioId == kGraphicRadio) {
        Apply(modes_->Choose(KeyboardMode::kGraphic));
    } else if (radioId == kGeneralRadio) {
        Apply(modes_->Choose(KeyboardMode::kGeneral));
    }
}

void TransOthDecisions::ToggleAddToCommon()
{
    NetControl& keep = Mutable(kAddToCommon);
    if (IsOpen() && keep.enabled) {
        keep.checked = !keep.checked;
    }
}

void TransOthDecisions::SetEditText(const Text& text)
{
    WipeString(edit_);
    edit_ = text.substr(0, maximum_);
}

bool TransOthDecisions::TakeEditFocusRequest()
{
    return std::exchange(focusEdit_, false);
}

int TransOthDecisions::PositionOf(char16_t c) const
{
    for (size_t i = 0; i < order_.Positions(); ++i) {
        if (order_.CharacterAt(i, false, key_) == c) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Text TransOthDecisions::DisplayCharacters() const
{
    if (display_.text.empty() || display_.mode == static_cast<int32_t>(DisplayMode::kMasked)) {
        return display_.text;
    }
    Text plain;
    CDataProcess::RevealForDisplay(display_.text, entry_.DisplayOffset(), plain);
    return plain;
}

void TransOthDecisions::Ok()
{
    if (!IsOpen() || !modes_) {
        return;
    }
    const bool fromEdit = modes_->EditIsActiveEntry();
    TypedAccount account;
    account.fromEdit = fromEdit;
    account.keypadCount = entry_.Count();
    account.editText = edit_;
    account.minimumLength = minimum_;
    const AccountCheck check = CheckTypedAccount(account, messages_);
    if (!check.accepted) {
        if (check.resetEdit) {
            WipeString(edit_);
            focusEdit_ = true;
        }
        return;
    }
    Text value;
    WipeOnExit<Text> wipeValue(value);
    if (fromEdit) {
        value = edit_;
    } else if (!entry_.ReadTypedValue(value)) {
        WipeString(value);
    }
    const bool keep = Control(kAddToCommon).checked && Control(kAddToCommon).enabled;
    Text result(1, keep ? net_selection::kKindOtherKept : net_selection::kKindOther);
    result += u"||000||";
    result += std::u16string_view(value).substr(0, kAccountMaxChars);
    result += u"||";
    WipeString(edit_);
    Finish(result);
}

} // namespace velkor
