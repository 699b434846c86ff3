#include "dialogs/try_firm_decisions.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "dialogs/confirm_message_document.h"
#include "dialogs/confirmation_checks.h"
#include "dialogs/confirmation_transfer.h"

namespace velkor {

using namespace try_firm;

namespace {

constexpr int32_t kNoSmartcard = static_cast<int32_t>(0x8010000CU);
constexpr int32_t kRemovedCard = static_cast<int32_t>(0x80100069U);
constexpr int32_t kNeither = -1; // what a dialog without a probe sees
constexpr int kTicksPerSecond = 1000 / kTickMilliseconds;
constexpr int kTransferKind = 23;
constexpr size_t kShownAccountChars = 16;

const Text kStartText = u"請於 60 秒內，將您的晶片卡抽出後，再重新置入讀卡機。";
const Text kPullAndReinsert = u"請於 %d 秒內，將您的晶片卡抽出後，再重新置入讀卡機。";
const Text kInsert = u"請於 %d 秒內，將您的晶片卡置入讀卡機。";
const Text kPressOk = u"請於 %d 秒內，按下本頁『確定』鍵，即可完成交易。";
const Text kPressOkThenReader
    = u"請於 %d 秒內，按本頁『確定』鍵後，依讀卡機上顯示指示繼續操作．．．";

bool IsAbsent(int32_t probe)
{
    return probe == kNoSmartcard || probe == kRemovedCard;
}

Text WithSeconds(const Text& pattern, int32_t seconds)
{
    const std::string digits = std::to_string(seconds);
    Text text = pattern;
    text.replace(text.find(u"%d"), 2, Text(digits.begin(), digits.end()));
    return text;
}

// The label controls that start empty, whatever the template says.
constexpr int kEmptiedLabels[] = { 1012, 1014, 1016, 1018, 1020, 1022, 1024, 1026, 1028 };

int32_t SessionCipherOf(int32_t direction, int32_t form, std::u16string_view input,
    const TransferConfirmation& transfer, Text& output)
{
    ScopedEmbeddedKeys keys;
    int32_t length = static_cast<int32_t>(input.size());
    return CDataProcess::SessionCipher(direction, form, length, input, transfer.sessionKeyHash,
        transfer.encipheredSessionKey, output);
}

} // namespace

int try_firm::ControlOfTag(int number)
{
    static constexpr int kControls[19] = { 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
        1020, 1021, 1022, 1023, 1024, 1025, 1026, kEmailField, 1028, 1029 };
    return number >= 1 && number <= 19 ? kControls[number - 1] : 0;
}

TryFirmDecisions::TryFirmDecisions(
    ConfirmationRequest& request, DialogTimers& timers, MessageSink& messages)
    : request_(request)
    , timers_(timers)
    , messages_(messages)
{
    // The template's texts.
    static const std::pair<int, const char16_t*> kTemplate[] = { { kOk, u"確定" },
        { kCancel, u"取消" }, { kTitle, u"繳費：確認交易資料" },
        { kNotice, u"※請核對繳費資料，並依畫面指示進行操作。" }, { kSubtitle, u"" },
        { 1014, u"委託單位" }, { 1016, u"費用名稱" }, { 1018, u"轉出銀行" }, { 1020, u"轉出帳號" },
        { 1022, u"轉帳金額" }, { 1024, u"手 續 費" }, { 1026, u"email通知" }, { 1028, u"通知內容" },
        { kInstruction, u"請於30秒" }, { kAnimation, u"" } };
    for (const auto& [id, text] : kTemplate) {
        controls_[id].text = text;
    }
    for (const Row& row : kRows) {
        controls_[row.value];
    }
}

TryFirmDecisions::~TryFirmDecisions()
{
    transferCode_.clear();
    for (auto& tag : tags_) {
        if (tag) {
            WipeString(*tag);
        }
    }
}

const TryFirmControl* TryFirmDecisions::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

std::optional<int> TryFirmDecisions::Start()
{
    for (const int id : kEmptiedLabels) {
        SetText(id, {});
    }
    ConfirmMessageDocument document;
    document.Read(Text(request_.document));
    for (int n = 1; n <= 19; ++n) {
        tags_[static_cast<size_t>(n - 1)] = document.Tag(n);
    }
    if (!RunChecks()) {
        return result_;
    }
    if (request_.kind == kTransferKind) {
        ShowTransferFields();
    }
    for (int n = 1; n <= 19; ++n) {
        const auto& tag = tags_[static_cast<size_t>(n - 1)];
        if (!tag || tag->empty() || (n == 11 && request_.kind == kTransferKind)) {
            continue;
        }
        SetText(ControlOfTag(n), *tag);
    }
    LayOutRows();
    SetText(kInstruction, kStartText);
    Mutable(kOk).enabled = false;
    removalRunning_ = true;
    timers_.StartTimer(kRemovalTimerId, kTickMilliseconds);
    return std::nullopt;
}

bool TryFirmDecisions::RunChecks()
{
    using confirmation::CheckAndFormatAmount;
    using confirmation::ShownTextContains;
    auto slot = [this](int n) -> Text& {
        auto& tag = tags_[static_cast<size_t>(n - 1)];
        if (!tag) {
            tag.emplace();
        }
        return *tag;
    };
    auto plain = [&](const std::optional<std::u16string_view>& s, int n) {
        return ShownTextContains(s, slot(n));
    };
    auto amount = [&](int n) { return CheckAndFormatAmount(request_.amount, slot(n)); };
    const auto& account = request_.account;
    // Each entry is one check; the first that fails decides 101 (the first of its type) or 102.
    std::vector<std::function<bool()>> checks;
    switch (request_.kind) {
    case 1:
    case 6:
        checks = { [&] { return plain(account, 11); }, [&] { return amount(13); } };
        break;
    case 2:
    case 7:
        checks = { [&] { return plain(account, 7); }, [&] { return amount(9); } };
        break;
    case 3:
    case 8:
        checks = { [&] { return plain(account, 7); },
            [&] { return plain(request_.transferee, 11); }, [&] { return amount(13); } };
        break;
    case 4:
    case 9:
    case kTransferKind:
        checks = { [&] { return plain(account, 7); }, [&] { return amount(13); } };
        break;
    default:
        break;
    }
    for (size_t i = 0; i < checks.size(); ++i) {
        if (!checks[i]()) {
            End(i == 0 ? kFirstCheckFailed : kLaterCheckFailed);
            return false;
        }
    }
    return true;
}

void TryFirmDecisions::ShowTransferFields()
{
    const confirmation::TransferFields fields = confirmation::ReadTransferFields(
        request_.transferee ? *request_.transferee : std::u16string_view());
    tags_[8] = fields.bankText;
    tags_[14] = fields.email;

    Text plain;
    WipeOnExit wipePlain(plain);
    const int32_t status = request_.transfer == nullptr
        ? -1
        : SessionCipherOf(1, CDataProcess::kInputHex, request_.transfer->encipheredFirstResult,
            *request_.transfer, plain);
    if (status != 0) {
        messages_.ShowMessage(kCipherDataError, kCipherCaption);
    } else {
        Text account = plain.substr(0, kShownAccountChars);
        accountOffset_ = static_cast<int32_t>(
            CDataProcess::RandomNumber() % static_cast<uint32_t>(CDataProcess::kKeyOffsetCount));
        accountMode_ = 0;
        SetText(kProtectedAccount, CDataProcess::ProtectTextForDisplay(account, accountOffset_));
        WipeString(account);
    }
    transferCode_ = confirmation::TransferCode(
        tags_[4], fields, request_.transfer != nullptr ? request_.transfer->mode : u'0');
}

void TryFirmDecisions::LayOutRows()
{
    auto hide = [this](std::initializer_list<int> ids) {
        for (const int id : ids) {
            Mutable(id).visible = false;
        }
    };
    auto tagText = [this](int n) {
        const auto& tag = tags_[static_cast<size_t>(n - 1)];
        return tag ? *tag : Text();
    };
    switch (request_.kind) {
    case 0:
    case 5:
        for (int id = 1014; id <= 1026; ++id) {
            hide({ id });
        }
        hide({ 1028, 1029, kEmailField });
        break;
    case 2:
    case 7:
        hide({ 1023, 1024, 1025, 1026 });
        if (!tagText(13).empty()) {
            SetText(kEmailField, tagText(13));
            SetText(1028, tagText(14));
            SetText(1029, tagText(15));
        }
        break;
    case 3:
    case 8:
    case 12:
    case 13:
    case kTransferKind:
        hide({ 1026 });
        if (!tagText(16).empty()) {
            SetText(1028, tagText(16));
            SetText(1029, tagText(17));
            SetText(kEmailField, tagText(15));
        }
        break;
    case 4:
    case 9:
    case 10:
    case 11:
        hide({ kEmailField, 1024, 1025, 1026, 1028, 1029 });
        break;
    case 25:
    case 26:
        hide({ kEmailField, 1026, 1028, 1029 });
        if (tagText(12).empty()) {
            hide({ 1022, 1023 });
        } else if (tagText(14).empty()) {
            hide({ 1024, 1025 });
        }
        break;
    default:
        break;
    }
}

int32_t TryFirmDecisions::Probe() const
{
    return request_.probeCard ? request_.probeCard() : kNeither;
}

Text TryFirmDecisions::ConfirmText() const
{
    switch (request_.kind) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 10:
    case 12:
    case kTransferKind:
    case 25:
        return kPressOk;
    default:
        return kPressOkThenReader;
    }
}

void TryFirmDecisions::Tick(int id)
{
    if (result_) {
        return;
    }
    if (id == kRemovalTimerId && removalRunning_) {
        RemovalTick();
    } else if (id == kConfirmTimerId && confirmRunning_) {
        ConfirmTick();
    }
}

void TryFirmDecisions::RemovalTick()
{
    ++removalTicks_;
    const int32_t probe = Probe();
    if (IsAbsent(probe)) {
        ++removalCount_;
    }
    if (probe == 0 && removalCount_ > 0) {
        // Pulled out and put back: the customer may now confirm, within what is left.
        SetText(kInstruction, WithSeconds(ConfirmText(), secondsLeft_));
        Mutable(kOk).enabled = true;
        Mutable(kOk).visible = true;
        removalRunning_ = false;
        timers_.StopTimer(kRemovalTimerId);
        confirmRunning_ = true;
        timers_.StartTimer(kConfirmTimerId, kTickMilliseconds);
        return;
    }
    if (removalTicks_ % kTicksPerSecond == 0) {
        SetText(kInstruction, WithSeconds(probe != 0 ? kInsert : kPullAndReinsert, secondsLeft_));
        --secondsLeft_;
    }
    if (secondsLeft_ < 0) {
        removalRunning_ = false;
        timers_.StopTimer(kRemovalTimerId);
        messages_.ShowMessage(kPlugTimeOut, kBankCaption);
        End(kCancelled);
    }
}

void TryFirmDecisions::ConfirmTick()
{
    ++confirmTicks_;
    const bool absent = IsAbsent(Probe());
    Mutable(kOk).enabled = !absent;
    const Text& pattern = absent ? kInsert : ConfirmText();
    if (confirmTicks_ % kTicksPerSecond == 0) {
        SetText(kInstruction, WithSeconds(pattern, secondsLeft_));
        --secondsLeft_;
    }
    if (secondsLeft_ < 0) {
        confirmRunning_ = false;
        timers_.StopTimer(kConfirmTimerId);
        messages_.ShowMessage(kConfirmTimeOut, kBankCaption);
        End(kCancelled);
    }
}

void TryFirmDecisions::Ok()
{
    if (result_ || !OkEnabled()) {
        return;
    }
    if (request_.kind == kTransferKind) {
        FillTransferOutputs();
    }
    End(kConfirmed);
}

void TryFirmDecisions::Cancel()
{
    if (!result_) {
        End(kCancelled);
    }
}

void TryFirmDecisions::End(int result)
{
    if (removalRunning_) {
        removalRunning_ = false;
        timers_.StopTimer(kRemovalTimerId);
    }
    if (confirmRunning_) {
        confirmRunning_ = false;
        timers_.StopTimer(kConfirmTimerId);
    }
    result_ = result;
}

void TryFirmDecisions::FillTransferOutputs()
{
    TransferConfirmation* transfer = request_.transfer;
    if (transfer == nullptr) {
        return;
    }
    transfer->status = -1;
    Text plain;
    WipeOnExit wipePlain(plain);
    if (SessionCipherOf(
            1, CDataProcess::kInputHex, transfer->encipheredSecondResult, *transfer, plain)
            != 0
        || !confirmation::PlaceTransferCode(plain, transferCode_)) {
        messages_.ShowMessage(kCipherDataError, kCipherCaption);
        return;
    }
    transfer->transferCode = transferCode_;
    transfer->secondResult = plain;
    Text cipher;
    WipeOnExit wipeCipher(cipher);
    const int32_t status
        = SessionCipherOf(0, CDataProcess::kInputUtf16Le, plain, *transfer, cipher);
    if (status != 0) {
        transfer->status = status;
        return;
    }
    const SecureBytes bytes = TextLow8(cipher);
    transfer->encipheredSecondResultOut
        = CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
    transfer->status = 0;
}

Text TryFirmDecisions::AccountDisplayCharacters() const
{
    const Text& window = Control(kProtectedAccount).text;
    if (accountMode_ == 6 || window.empty()) {
        return window;
    }
    Text plain;
    CDataProcess::RevealForDisplay(window, accountOffset_, plain);
    return plain;
}

} // namespace velkor
