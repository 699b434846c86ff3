#include "host/transfer_check.h"

#include <vector>

#include "common/secure_buffer.h"
#include "host/bank_session.h"
#include "host/tac_check.h"

namespace velkor::host {

namespace {

constexpr size_t kSignedAccountChars = 16;
constexpr size_t kTransferCodeChars = 4;
constexpr std::u16string_view kTaxPaymentCode = u"2523";

std::vector<std::u16string_view> Fields(std::u16string_view text)
{
    std::vector<std::u16string_view> fields;
    while (!text.empty()) {
        const size_t end = text.find(u"||");
        if (end == std::u16string_view::npos) {
            fields.push_back(text); // not closed by "||": refused below
            break;
        }
        fields.push_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return fields;
}

bool AllDigits(std::u16string_view text)
{
    return !text.empty() && text.find_first_not_of(u"0123456789") == std::u16string_view::npos;
}

bool Ascii(std::u16string_view text)
{
    for (const char16_t c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

bool ReadImportAccount(std::u16string_view text, ImportAccount& account)
{
    if (!text.ends_with(u"||")) {
        return false;
    }
    const std::vector<std::u16string_view> fields = Fields(text);
    if (fields.size() < 4 || fields.size() > 5 || fields[1].empty() || !Ascii(fields[1])
        || fields[2].size() != 1 || fields[2][0] < u'0' || fields[2][0] > u'3'
        || fields[3].size() != kTransferCodeChars || !AllDigits(fields[3])) {
        return false;
    }
    account.bankCode = fields[0];
    account.account = fields[1];
    account.kind = fields[2][0];
    account.transferCode = fields[3];
    account.email = fields.size() == 5 ? fields[4] : std::u16string_view();
    // The dialog writes the account right-aligned in a 16-character field padded with '0'.
    const std::u16string_view signedPart = fields[1].substr(0, kSignedAccountChars);
    account.signedAccount.assign(kSignedAccountChars - signedPart.size(), '0');
    account.signedAccount.append(signedPart.begin(), signedPart.end());
    return true;
}

std::string Narrow(std::u16string_view ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

} // namespace

ImportAccountCheck CheckImportAccount(std::span<const uint8_t> sessionKey,
    std::string_view encipheredHex, std::u16string_view clear, ImportAccount& account)
{
    std::u16string deciphered;
    WipeOnExit wipeDeciphered(deciphered);
    if (!DecipherDialogResult(sessionKey, encipheredHex, deciphered)) {
        return ImportAccountCheck::Undecipherable;
    }
    if (deciphered != clear) {
        return ImportAccountCheck::Mismatch;
    }
    ImportAccount read;
    if (!ReadImportAccount(deciphered, read)) {
        return ImportAccountCheck::Malformed;
    }
    account = std::move(read);
    return ImportAccountCheck::Matches;
}

std::optional<std::string> TransferProcedureCommandData(
    const TransferProcedureFields& fields, const ImportAccount& account)
{
    const std::string code = Narrow(account.transferCode);
    bool taxPayment = false;
    switch (fields.serviceType) {
    case '0':
        break;
    case '1':
        taxPayment = true;
        break;
    case '2':
        taxPayment = account.transferCode == kTaxPaymentCode;
        break;
    default:
        return std::nullopt;
    }
    if (taxPayment) {
        return WithdrawalCommandData(code, fields.pMoney, fields.pFdid, fields.pFdChkCode,
            fields.timestamp, fields.pAccount);
    }
    return TransferCommandData(code, fields.pMoney, fields.pFdid, fields.pFdChkCode,
        fields.timestamp, account.signedAccount, fields.pAccount);
}

} // namespace velkor::host
