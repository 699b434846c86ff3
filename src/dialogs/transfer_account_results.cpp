#include "dialogs/transfer_account_results.h"

#include <span>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "dialogs/document_scanner.h"

namespace velkor::transfer_account {

namespace {

constexpr std::u16string_view kValueMark = u"%%";
constexpr std::u16string_view kHiddenMark = u"$$";
constexpr std::u16string_view kSeparator = u"||";
constexpr std::u16string_view kTransferCode = u"2523";
constexpr std::u16string_view kNoBank = u"000";
constexpr size_t kHiddenChars = 128;
constexpr size_t kBankCodeInR2 = 3;

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The value's bank code and account are separated by its first "||".
std::u16string_view AccountOf(std::u16string_view value)
{
    const size_t separator = value.find(kSeparator);
    return separator == std::u16string_view::npos
        ? std::u16string_view()
        : value.substr(separator + kSeparator.size(), kAccountFieldChars);
}

// "||" kind "||", with the transfer code and its "||" in the web-ATM dialog.
void AppendKind(TransferAccountDialog dialog, char16_t kind, Text& second)
{
    second.append(kSeparator).append(1, kind).append(kSeparator);
    if (dialog == TransferAccountDialog::WebAtm) {
        second.append(kTransferCode).append(kSeparator);
    }
}

void AppendNotice(std::u16string_view notice, AccountResults& out)
{
    if (!notice.empty()) {
        out.second.append(notice).append(kSeparator);
        out.first.append(kHiddenMark).append(notice);
    }
}

} // namespace

ChosenItem::~ChosenItem()
{
    WipeString(whole);
    WipeString(display);
    WipeString(value);
    WipeString(hidden);
}

ChosenItem SplitChosenItem(std::u16string_view item)
{
    ChosenItem chosen;
    chosen.whole = Text(item);
    const size_t mark = scanner::FindLast(item, kValueMark);
    if (mark == scanner::kNotFound) {
        chosen.display = Text(item);
        return chosen;
    }
    chosen.display = Text(item.substr(0, mark));
    const std::u16string_view value
        = scanner::Trim(item.substr(mark + kValueMark.size()), scanner::TrimMode::kBlanks);
    const size_t hidden = value.find(kHiddenMark);
    chosen.value = Text(value.substr(0, hidden));
    if (hidden != std::u16string_view::npos) {
        chosen.hidden = Text(value.substr(hidden + kHiddenMark.size(), kHiddenChars));
    }
    return chosen;
}

AccountResults::~AccountResults()
{
    Wipe();
}

void AccountResults::Wipe()
{
    WipeString(first);
    WipeString(second);
}

Text AccountField(std::u16string_view account)
{
    account = account.substr(0, kAccountFieldChars);
    return Text(kAccountFieldChars - account.size(), u'0').append(account);
}

void BuildListedResults(TransferAccountDialog dialog, const ChosenItem& item, char16_t kind,
    std::u16string_view notice, AccountResults& out)
{
    out.Wipe();
    out.second = item.value;
    AppendKind(dialog, kind, out.second);
    const std::u16string_view display(item.display);
    out.first = AccountField(AccountOf(item.value));
    out.first.append(1, kind)
        .append(display.substr(0, display.find(u'-')))
        .append(kValueMark)
        .append(std::u16string_view(out.second).substr(0, kBankCodeInR2));
    AppendNotice(notice, out);
}

void BuildTypedResults(TransferAccountDialog dialog, std::u16string_view bankItem,
    std::u16string_view account, char16_t kind, std::u16string_view email, AccountResults& out)
{
    out.Wipe();
    account = account.substr(0, kAccountFieldChars);
    out.first = AccountField(account);
    // The kind character follows the field in both dialogs, so that a host reads every first
    // result the same way.
    out.first.append(1, kind);
    if (dialog == TransferAccountDialog::NetBank) {
        out.second = Text(kNoBank);
    } else {
        out.second = BankCodeOf(bankItem);
        out.first.append(bankItem.substr(0, kBankItemChars));
    }
    out.second.append(kSeparator).append(account);
    AppendKind(dialog, kind, out.second);
    if (dialog == TransferAccountDialog::WebAtm) {
        AppendNotice(email, out);
    }
}

Text BankCodeOf(std::u16string_view bankItem)
{
    const size_t mark = scanner::FindLast(bankItem, kValueMark);
    if (mark == scanner::kNotFound) {
        return {};
    }
    std::u16string_view value = bankItem.substr(mark + kValueMark.size());
    size_t start = 0;
    while (start < value.size() && !IsDigit(value[start])) {
        ++start;
    }
    size_t end = start;
    while (end < value.size() && end - start < kBankCodeChars && IsDigit(value[end])) {
        ++end;
    }
    return Text(value.substr(start, end - start));
}

} // namespace velkor::transfer_account
