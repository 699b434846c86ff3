#include "dialogs/trans_set_decisions.h"

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "dialogs/account_validation.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/session_list_decipher.h"
#include "session_result_cipher.h"

namespace velkor {

using namespace trans_set;
using namespace transfer_account;

namespace {

constexpr size_t kEmailChars = 150;
constexpr size_t kGroupNameChars = 48;
constexpr int kCorrectionIndex = 10;
constexpr int kClearIndex = 11;
// The positions of the web-ATM dialog's elements.
constexpr size_t kAgreedPosition = 0;
constexpr size_t kCommonPosition = 1;
constexpr size_t kBankPosition = 2;

const Text kEmailHintText = u"     Email通知最多五位收信人, 若收信人超過兩位, 請以分號( ;  )分隔";

int RadioOf(TransferAccountKind kind)
{
    switch (kind) {
    case TransferAccountKind::kAgreed:
        return kAgreedRadio;
    case TransferAccountKind::kCommon:
        return kCommonRadio;
    case TransferAccountKind::kOther:
        break;
    }
    return kOtherRadio;
}

DialogKind ProfileKindOf(TransferAccountDialog dialog)
{
    return dialog == TransferAccountDialog::WebAtm ? DialogKind::kTransSet
                                                   : DialogKind::kTransSetNet;
}

bool IsKey(int id)
{
    return id >= kFirstKey && id <= kClearKey;
}

} // namespace

TransSetDecisions::TransSetDecisions(
    TransferAccountRequest& request, DialogTimers& timers, MessageSink& messages, KeypadDraw draw)
    : request_(request)
    , dialog_(request.dialog)
    , messages_(messages)
    , draw_(std::move(draw))
    , reader_(ProfileFor(ProfileKindOf(request.dialog)),
          MakeSessionListDecipher(Text(request.keys.hash), Text(request.keys.encipheredKey)),
          messages)
    , entry_(key_, order_, [this](const DisplayUpdate& update) { display_ = update; })
    , countdown_(dialog_ == TransferAccountDialog::WebAtm ? CountdownWording::kLogout
                                                          : CountdownWording::kLeave,
          timers, messages)
{
    const bool webAtm = dialog_ == TransferAccountDialog::WebAtm;
    title_ = webAtm ? kWebAtmTitle : kNetBankTitle;
    // The template's texts.
    const std::pair<int, Text> kTemplate[] = { { kOk, dialog_text::kOk },
        { kCancel, dialog_text::kCancel }, { kAccountEdit, {} }, { kAccountLabel, u"轉入帳號" },
        { kCountdownLabel,
            u"40" + (webAtm ? dialog_text::kLogoutSuffix : dialog_text::kLeaveSuffix) },
        { kAgreedRadio, u"約定帳號" }, { kCommonRadio, u"常用帳號" }, { kOtherRadio, u"其他帳號" },
        { kTypedDisplay, {} }, { kGraphicRadio, dialog_text::kUseGraphicKeypad },
        { kGeneralRadio, dialog_text::kUseGeneralKeyboard },
        { kCorrectionKey, dialog_text::kCorrection }, { kClearKey, dialog_text::kClear },
        { kAddToCommon, dialog_text::kAddToCommon }, { kCommonList, {} }, { kBankList, {} },
        { kAgreedList, {} } };
    for (const auto& [id, text] : kTemplate) {
        controls_[id].text = text;
    }
    for (const int id : kFrames) {
        controls_[id];
    }
    for (int position = 0; position < 10; ++position) {
        controls_[kFirstKey + position].text
            = Text(1, static_cast<char16_t>(u'0' + (position + 1) % 10));
    }
    if (webAtm) {
        controls_[kEmailLabel].text = u"Email通知";
        controls_[kEmailEdit];
        controls_[kEmailHint].text = kEmailHintText;
    } else {
        controls_[kGroupList];
        controls_[kAccountEdit].tooltip = kTypedAccountTip;
    }
    for (const int id : { kCommonList, kBankList, kAgreedList }) {
        lists_[id];
    }
}

TransSetDecisions::~TransSetDecisions()
{
    countdown_.Stop();
    ReleaseDocument();
    WipeString(accountText_);
    WipeString(emailText_);
    WipeString(encipheredFirst_);
    WipeString(encipheredSecond_);
}

const TransSetControl* TransSetDecisions::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

TransSetDecisions::ChoiceList* TransSetDecisions::ListOf(int id)
{
    const auto it = lists_.find(id);
    return it == lists_.end() ? nullptr : &it->second;
}

const TransSetDecisions::ChoiceList* TransSetDecisions::ListOf(int id) const
{
    const auto it = lists_.find(id);
    return it == lists_.end() ? nullptr : &it->second;
}

std::vector<Text> TransSetDecisions::ListEntries(int id) const
{
    std::vector<Text> entries;
    if (id == kGroupList && controls_.contains(kGroupList)) {
        if (!groups_.empty()) {
            entries.push_back(kAllGroups);
        }
        for (const size_t element : groups_) {
            entries.push_back(
                kGroupPrefix + document_.elements[element].name.substr(0, kGroupNameChars));
        }
        return entries;
    }
    if (const ChoiceList* list = ListOf(id)) {
        for (const Source& source : list->sources) {
            entries.push_back(document_.elements[source.element].items[source.item].display);
        }
    }
    return entries;
}

int TransSetDecisions::ListSelection(int id) const
{
    if (id == kGroupList) {
        return groupSelected_;
    }
    const ChoiceList* list = ListOf(id);
    return list == nullptr ? -1 : list->selected;
}

std::optional<int> TransSetDecisions::TakeFocusRequest()
{
    std::optional<int> focus = focusRequest_;
    focusRequest_.reset();
    return focus;
}

std::optional<int> TransSetDecisions::Start()
{
    // The result buffers, the entry style, the add-to-common and OK states start cleared.
    results_.Wipe();
    encipheredFirst_.clear();
    encipheredSecond_.clear();
    key_.Make();
    const int32_t parsed = reader_.Parse(OptText(Text(request_.document)), document_);
    if (document_.caption) {
        title_ = *document_.caption;
    }
    if (document_.countdownLabel) {
        Mutable(kCountdownLabel).text = *document_.countdownLabel;
    }
    if (parsed != parse_result::kOk) {
        End(kCancelled);
        return result_;
    }
    if (document_.addComm == 1) {
        Mutable(kAddToCommon).enabled = false;
        Mutable(kAddToCommon).visible = false;
    } else if (document_.check == 1) {
        Mutable(kAddToCommon).checked = true;
    }

    const EntryStyle style = EntryStyleFor(document_.keyType);
    entry_.SetDisplayMode(DisplayMode::kClear);
    entry_.SetMaximumLength(kAccountChars);
    order_.Build(KeypadKind::kDigits, style.randomOrder, key_, draw_);
    entry_.Clear();
    if (dialog_ == TransferAccountDialog::WebAtm) {
        PlaceElements();
    } else {
        PlaceNetBankElements();
    }

    SelectKind(TransferAccountKind::kAgreed);
    modes_ = KeyboardModeSwitch(style);
    Mutable(kGraphicRadio).visible = style.choiceShown;
    Mutable(kGeneralRadio).visible = style.choiceShown;
    ApplyKeyboardChange(modes_.Start());
    if (!style.editUsable) {
        Mutable(kAccountEdit).enabled = false;
    }
    if (!style.keypadUsable) {
        Mutable(kTypedDisplay).enabled = false;
    }
    ApplyAvailability();
    UpdateOk();
    if (kind_ == TransferAccountKind::kCommon) {
        FillEmailFromCommon();
    }
    Mutable(kCountdownLabel).visible = false;
    countdown_.SetSeconds(document_.timeoutSeconds);
    countdown_.Start();
    return std::nullopt;
}

void TransSetDecisions::PlaceElements()
{
    auto place = [this](size_t position, int list, int radio, bool& available) {
        if (position >= document_.elements.size()) {
            return;
        }
        const DocumentElement& element = document_.elements[position];
        if (!element.name.empty()) {
            Mutable(radio).text = element.name;
        }
        ChoiceList& choice = lists_[list];
        for (size_t i = 0; i < element.items.Count(); ++i) {
            choice.sources.push_back({ position, i });
        }
        choice.selected = element.items.Selected();
        // A list without entries offers nothing to choose, whatever its element carried.
        available = element.available && !choice.sources.empty();
    };
    place(kAgreedPosition, kAgreedList, kAgreedRadio, agreedAvailable_);
    place(kCommonPosition, kCommonList, kCommonRadio, commonAvailable_);
    place(kBankPosition, kBankList, kOtherRadio, bankAvailable_);
}

void TransSetDecisions::PlaceNetBankElements()
{
    // The last agreed and the last other-account element count; every common element is a group.
    std::optional<size_t> agreed;
    std::optional<size_t> bank;
    for (size_t i = 0; i < document_.elements.size(); ++i) {
        switch (document_.elements[i].type) {
        case u'0':
            agreed = i;
            break;
        case u'1':
            groups_.push_back(i);
            break;
        case u'2':
            bank = i;
            break;
        default:
            break;
        }
    }
    auto place = [this](std::optional<size_t> position, int list, int radio, bool& available) {
        if (!position) {
            return;
        }
        const DocumentElement& element = document_.elements[*position];
        if (!element.name.empty()) {
            Mutable(radio).text = element.name;
        }
        ChoiceList& choice = lists_[list];
        for (size_t i = 0; i < element.items.Count(); ++i) {
            choice.sources.push_back({ *position, i });
        }
        choice.selected = element.items.Selected();
        available = element.available && !choice.sources.empty();
    };
    place(agreed, kAgreedList, kAgreedRadio, agreedAvailable_);
    place(bank, kBankList, kOtherRadio, bankAvailable_);
    groupSelected_ = groups_.empty() ? -1 : 0;
    FillCommonList();
    commonAvailable_ = !lists_[kCommonList].sources.empty();
}

void TransSetDecisions::FillCommonList()
{
    ChoiceList& choice = lists_[kCommonList];
    choice.sources.clear();
    for (size_t g = 0; g < groups_.size(); ++g) {
        if (groupSelected_ != 0 && static_cast<size_t>(groupSelected_) != g + 1) {
            continue;
        }
        const DocumentElement& element = document_.elements[groups_[g]];
        for (size_t i = 0; i < element.items.Count(); ++i) {
            choice.sources.push_back({ groups_[g], i });
        }
    }
    choice.selected = choice.sources.empty() ? -1 : 0;
}

void TransSetDecisions::ApplyAvailability()
{
    if (!commonAvailable_) {
        Mutable(kCommonRadio).enabled = false;
        Mutable(kCommonList).enabled = false;
        if (controls_.contains(kGroupList)) {
            Mutable(kGroupList).enabled = false;
        }
    } else if (!agreedAvailable_) {
        SelectKind(TransferAccountKind::kCommon);
    }
    if (!bankAvailable_) {
        Mutable(kOtherRadio).enabled = false;
        Mutable(kBankList).enabled = false;
    } else if (!agreedAvailable_ && !commonAvailable_) {
        SelectKind(TransferAccountKind::kOther);
    }
    if (!agreedAvailable_) {
        Mutable(kAgreedRadio).enabled = false;
        Mutable(kAgreedList).enabled = false;
    } else {
        SelectKind(TransferAccountKind::kAgreed);
    }
}

bool TransSetDecisions::KindEnabled(TransferAccountKind kind) const
{
    return Control(RadioOf(kind)).enabled;
}

void TransSetDecisions::SelectKind(TransferAccountKind kind)
{
    // A kind whose list has no data cannot be chosen by any route: its item would be missing at
    // OK.
    if (!KindEnabled(kind)) {
        return;
    }
    kind_ = kind;
    for (const TransferAccountKind each : { TransferAccountKind::kAgreed,
             TransferAccountKind::kCommon, TransferAccountKind::kOther }) {
        Mutable(RadioOf(each)).checked = each == kind;
    }
    const bool other = kind == TransferAccountKind::kOther;
    kindCharacter_ = kind == TransferAccountKind::kAgreed ? kAgreedKind
        : kind == TransferAccountKind::kCommon            ? kCommonKind
                                                          : kOtherKind;
    Mutable(kAddToCommon).enabled = other && document_.addComm != 1;
    const bool choice = other && modes_.Style().keyType >= 3;
    Mutable(kGraphicRadio).enabled = choice;
    Mutable(kGeneralRadio).enabled = choice;
    if (kind == TransferAccountKind::kCommon) {
        FillEmailFromCommon();
    }
}

void TransSetDecisions::FillEmailFromCommon()
{
    if (dialog_ != TransferAccountDialog::WebAtm) {
        return;
    }
    WipeString(emailText_);
    const ChoiceList& list = lists_[kCommonList];
    if (list.selected < 0) {
        return;
    }
    const Source& source = list.sources[static_cast<size_t>(list.selected)];
    const ListItem& item = document_.elements[source.element].items[source.item];
    if (item.hidden) {
        emailText_ = item.hidden->substr(0, kEmailChars);
    }
}

void TransSetDecisions::UpdateOk()
{
    Mutable(kOk).enabled = entry_.Count() > 0 || agreedAvailable_ || commonAvailable_;
}

void TransSetDecisions::Tick(int id)
{
    if (result_ || id != kCountdownTimerId) {
        return;
    }
    if (countdown_.Tick()) {
        Cancel();
        return;
    }
    const CountdownLabel& label = countdown_.Label();
    if (!label.text.empty()) {
        Mutable(kCountdownLabel).text = label.text;
    }
    Mutable(kCountdownLabel).visible = label.visible;
}

void TransSetDecisions::Click(int id)
{
    if (result_) {
        return;
    }
    switch (id) {
    case kOk:
        Ok();
        return;
    case kCancel:
        Cancel();
        return;
    case kAgreedRadio:
        SelectKind(TransferAccountKind::kAgreed);
        return;
    case kCommonRadio:
        SelectKind(TransferAccountKind::kCommon);
        return;
    case kOtherRadio:
    case kTypedDisplay:
        SelectKind(TransferAccountKind::kOther);
        return;
    case kGraphicRadio:
        ChooseKeyboard(KeyboardMode::kGraphic);
        return;
    case kGeneralRadio:
        ChooseKeyboard(KeyboardMode::kGeneral);
        return;
    case kAddToCommon:
        if (Control(kAddToCommon).enabled) {
            Mutable(kAddToCommon).checked = !Control(kAddToCommon).checked;
        }
        return;
    default:
        if (IsKey(id)) {
            PressKey(id);
        }
        return;
    }
}

void TransSetDecisions::Focus(int id)
{
    if (result_) {
        return;
    }
    switch (id) {
    case kAgreedList:
        SelectKind(TransferAccountKind::kAgreed);
        break;
    case kCommonList:
    case kGroupList:
        SelectKind(TransferAccountKind::kCommon);
        break;
    case kBankList:
    case kAccountEdit:
        SelectKind(TransferAccountKind::kOther);
        break;
    default:
        break;
    }
}

void TransSetDecisions::SelectItem(int id, int index)
{
    if (result_) {
        return;
    }
    Focus(id);
    if (id == kGroupList) {
        if (index >= 0 && static_cast<size_t>(index) <= groups_.size()) {
            groupSelected_ = index;
            FillCommonList();
            FillEmailFromCommon();
        }
        return;
    }
    ChoiceList* list = ListOf(id);
    if (list == nullptr || index < 0 || static_cast<size_t>(index) >= list->sources.size()) {
        return;
    }
    list->selected = index;
    if (id == kCommonList) {
        FillEmailFromCommon();
    }
}

void TransSetDecisions::SetAccountText(const Text& text)
{
    WipeString(accountText_);
    accountText_ = text;
}

void TransSetDecisions::SetEmailText(const Text& text)
{
    WipeString(emailText_);
    emailText_ = text.substr(0, kEmailChars);
}

void TransSetDecisions::FilterSetsOk(bool enabled)
{
    if (!result_) {
        Mutable(kOk).enabled = enabled;
    }
}

void TransSetDecisions::PressKey(int id)
{
    const int index = id - kFirstKey;
    if (index == kClearIndex) {
        entry_.Clear();
    } else if (index == kCorrectionIndex) {
        entry_.Correction();
    } else {
        entry_.Press(static_cast<size_t>(index));
    }
    SelectKind(TransferAccountKind::kOther);
    UpdateOk();
}

void TransSetDecisions::ChooseKeyboard(KeyboardMode mode)
{
    if (!Control(mode == KeyboardMode::kGraphic ? kGraphicRadio : kGeneralRadio).enabled) {
        return;
    }
    const KeyboardModeChange change = modes_.Choose(mode);
    ApplyKeyboardChange(change);
    if (change.focusEdit) {
        focusRequest_ = kAccountEdit;
        Focus(kAccountEdit);
    }
    UpdateOk();
}

void TransSetDecisions::ApplyKeyboardChange(const KeyboardModeChange& change)
{
    for (int id = kFirstKey; id <= kClearKey; ++id) {
        Mutable(id).visible = change.showKeypad;
    }
    Mutable(kTypedDisplay).visible = change.showKeypad;
    Mutable(kAccountEdit).visible = change.showEdit;
    if (change.clearEntry) {
        entry_.Clear();
    }
    if (change.emptyEdit) {
        WipeString(accountText_);
    }
    if (change.checkedRadio != KeyboardMode::kNotChosen) {
        Mutable(kGraphicRadio).checked = change.checkedRadio == KeyboardMode::kGraphic;
        Mutable(kGeneralRadio).checked = change.checkedRadio == KeyboardMode::kGeneral;
    }
}

Text TransSetDecisions::DisplayCharacters() const
{
    if (display_.text.empty() || display_.mode == static_cast<int32_t>(DisplayMode::kMasked)) {
        return display_.text;
    }
    Text plain;
    CDataProcess::RevealForDisplay(display_.text, entry_.DisplayOffset(), plain);
    return plain;
}

void TransSetDecisions::Ok()
{
    if (result_ || !OkEnabled()) {
        return;
    }
    results_.Wipe();
    WipeString(encipheredFirst_);
    WipeString(encipheredSecond_);
    if (!BuildResults()) {
        return; // the dialog stays open
    }
    if (!results_.first.empty()) {
        EncipherResults();
    }
    End(kConfirmed);
}

bool TransSetDecisions::BuildResults()
{
    Text item;
    WipeOnExit wipeItem(item);
    bool decipherFailed = false;
    if (kind_ != TransferAccountKind::kOther) {
        if (!ReadChosenItem(kind_ == TransferAccountKind::kAgreed ? kAgreedList : kCommonList, item,
                decipherFailed)) {
            return decipherFailed; // a failed decipher ends the dialog without results
        }
        const transfer_account::ChosenItem chosen = transfer_account::SplitChosenItem(item);
        const Text& notice = dialog_ == TransferAccountDialog::WebAtm ? emailText_ : chosen.hidden;
        transfer_account::BuildListedResults(dialog_, chosen, kindCharacter_, notice, results_);
        return true;
    }
    Text typed;
    WipeOnExit wipeTyped(typed);
    const bool fromEdit = modes_.EditIsActiveEntry();
    if (fromEdit) {
        typed = accountText_.substr(0, kAccountChars);
    }
    const AccountCheck check = CheckTypedAccount(
        { fromEdit, entry_.Count(), fromEdit ? std::u16string_view(typed) : std::u16string_view() },
        messages_);
    if (!check.accepted) {
        if (check.resetEdit) {
            WipeString(accountText_);
            focusRequest_ = kAccountEdit;
        }
        return false;
    }
    if (!fromEdit && !entry_.ReadTypedValue(typed)) {
        return false;
    }
    const char16_t kind = Control(kAddToCommon).checked ? kOtherAddedKind : kOtherKind;
    if (dialog_ == TransferAccountDialog::WebAtm
        && !ReadChosenItem(kBankList, item, decipherFailed)) {
        return decipherFailed;
    }
    transfer_account::BuildTypedResults(dialog_, item, typed, kind, emailText_, results_);
    return true;
}

bool TransSetDecisions::ReadChosenItem(int id, Text& item, bool& decipherFailed)
{
    const ChoiceList* list = ListOf(id);
    if (list == nullptr || list->selected < 0) {
        return false;
    }
    const Source& source = list->sources[static_cast<size_t>(list->selected)];
    const DocumentElement& element = document_.elements[source.element];
    Text plain;
    WipeOnExit wipePlain(plain);
    if (element.Enciphered()) {
        if (reader_.DecipherContent(element, plain) != parse_result::kOk) {
            decipherFailed = true;
            return false;
        }
    } else {
        plain = element.content;
    }
    std::optional<Text> found = ItemAt(plain, source.item);
    if (!found) {
        return false;
    }
    item = std::move(*found);
    return true;
}

void TransSetDecisions::EncipherResults()
{
    const int32_t first = EncipherResultForBank(results_.first, request_.keys, encipheredFirst_);
    const int32_t second = EncipherResultForBank(results_.second, request_.keys, encipheredSecond_);
    if (first != 0 || second != 0) {
        messages_.ShowMessage(kEncipherFailed, kBankCaption);
    }
}

void TransSetDecisions::Cancel()
{
    if (!result_) {
        End(kCancelled);
    }
}

void TransSetDecisions::End(int result)
{
    countdown_.Stop();
    ReleaseDocument();
    entry_.Clear();
    WipeString(accountText_);
    result_ = result;
}

void TransSetDecisions::ReleaseDocument()
{
    for (DocumentElement& element : document_.elements) {
        WipeString(element.content);
        element.items.Clear();
    }
    for (auto& [id, list] : lists_) {
        list.sources.clear();
        list.selected = -1;
    }
    groups_.clear();
    groupSelected_ = -1;
}

void TransSetDecisions::HandOver()
{
    request_.firstResult = results_.first;
    request_.secondResult = results_.second;
    request_.encipheredSecondResult = encipheredSecond_;
    request_.encipheredFirstResult = encipheredFirst_;
    results_.Wipe();
    WipeString(encipheredFirst_);
    WipeString(encipheredSecond_);
}

} // namespace velkor
