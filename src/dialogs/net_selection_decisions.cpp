#include "dialogs/net_selection_decisions.h"

#include "common/secure_buffer.h"
#include "dialogs/session_list_decipher.h"
#include "net_selection_result.h"
#include "session_result_cipher.h"

namespace velkor {

using namespace net_selection;

namespace {

int FontSlotOf(DialogKind kind)
{
    switch (kind) {
    case DialogKind::kTransCom:
        return kSlotTransCom;
    case DialogKind::kTransOth:
        return kSlotTransOth;
    default:
        return kSlotTransDeal;
    }
}

} // namespace

NetSelectionDecisions::NetSelectionDecisions(DialogKind kind, NetSelectionRequest& request,
    DialogTimers& timers, MessageSink& messages, FontSizeFile fonts)
    : request_(request)
    , messages_(messages)
    , kind_(kind)
    , countdown_(CountdownWording::kLeave, timers, messages)
    , fonts_(std::move(fonts))
    , fontSlot_(FontSlotOf(kind))
    , firstFontRadio_(kind == DialogKind::kTransOth ? 1039 : 1037)
    , reader_(ProfileFor(kind),
          MakeSessionListDecipher(Text(request.keys.hash), Text(request.keys.encipheredKey)),
          messages)
{
    controls_[kOk].text = u"確定";
    controls_[kCancel].text = u"取消";
    controls_[kCountdownLabel].text = kCountdownTemplate;
    controls_[kCountdownLabel].visible = false;
    for (int i = 0; i < 3; ++i) {
        static const Text kSizes[] = { u"大", u"中", u"小" };
        controls_[firstFontRadio_ + i].text = kSizes[i];
    }
}

NetSelectionDecisions::~NetSelectionDecisions()
{
    countdown_.Stop();
}

std::optional<int> NetSelectionDecisions::Start()
{
    document_.emplace();
    if (reader_.Parse(Text(request_.document), *document_) != parse_result::kOk
        && !(kind_ == DialogKind::kTransOth && FirstElement() != nullptr)) {
        // The preset of the other-account dialog is the one element it reads: a preset that
        // does not decipher is dropped there, and the customer types the account instead.
        End(kCancelled);
        return result_;
    }
    caption_ = document_->caption;
    if (document_->countdownLabel) {
        controls_[kCountdownLabel].text = *document_->countdownLabel;
    }
    fontChoice_ = fonts_.InitialChoice(fontSlot_);
    controls_[firstFontRadio_ + fontChoice_].checked = true;
    countdown_.SetSeconds(document_->timeoutSeconds);
    Initialise();
    if (result_) {
        return result_;
    }
    countdown_.Start();
    return std::nullopt;
}

void NetSelectionDecisions::Tick(int id)
{
    if (result_ || id != kCountdownTimerId) {
        return;
    }
    const bool timedOut = countdown_.Tick();
    ShowCountdown();
    if (timedOut) {
        End(kCancelled);
    }
}

void NetSelectionDecisions::ShowCountdown()
{
    const CountdownLabel& label = countdown_.Label();
    NetControl& control = controls_[kCountdownLabel];
    if (!label.text.empty()) {
        control.text = label.text;
    }
    control.visible = label.visible;
}

void NetSelectionDecisions::Cancel()
{
    if (!result_) {
        End(kCancelled);
    }
}

void NetSelectionDecisions::ChooseFontSize(int radioId)
{
    const int choice = radioId - firstFontRadio_;
    if (result_ || choice < kFontLarge || choice > kFontSmall) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        controls_[firstFontRadio_ + i].checked = i == choice;
    }
    fontChoice_ = choice;
    fonts_.SaveFontSize(choice, fontSlot_);
}

const NetControl* NetSelectionDecisions::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

DocumentElement* NetSelectionDecisions::FirstElement()
{
    return document_ && !document_->elements.empty() ? &document_->elements.front() : nullptr;
}

bool NetSelectionDecisions::ElementContent(const DocumentElement& element, Text& plain)
{
    if (!element.Enciphered()) {
        plain = element.content;
        return true;
    }
    return reader_.DecipherContent(element, plain) == parse_result::kOk;
}

Text NetSelectionDecisions::ResultForItem(
    const DocumentElement& element, size_t index, char16_t kind)
{
    Text content;
    WipeOnExit<Text> wipeContent(content);
    Text result;
    if (ElementContent(element, content)) {
        std::optional<Text> item = ItemAt(content, index, kItemMaxChars);
        if (item) {
            result = ResultFromItem(kind, *item);
            WipeString(*item);
        }
    }
    return result;
}

void NetSelectionDecisions::Finish(Text& result)
{
    Text enciphered;
    if (!result.empty() && EncipherResultForBank(result, request_.keys, enciphered) != 0) {
        messages_.ShowMessage(kEncipherFailed, kBankCaption);
    }
    WipeString(request_.result);
    request_.result = result;
    request_.encipheredResult = std::move(enciphered);
    WipeString(result);
    End(kConfirmed);
}

void NetSelectionDecisions::End(int result)
{
    countdown_.Stop();
    result_ = result;
    // The element data (lists, presets) is not needed any more.
    document_.reset();
}

} // namespace velkor
