#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the bank checks after a web-ATM transfer (TransferProc, TransferProcSnd): the import
// account the customer chose, as the page forwards it in clear (GetClearImportAccount) and
// enciphered under the session key (GetEncImportAccount), and the TAC of the request the card
// signed with it.
namespace velkor::host {

// The import account: "bankCode||account||kind||transferCode||", followed by "e-mail||" when the
// customer asked for a notification.
struct ImportAccount {
    std::u16string bankCode;
    std::u16string account;
    char16_t kind = u'0'; // '0' agreed, '1' common, '2' typed, '3' typed and added to the common
    std::u16string transferCode; // four digits, chosen by the confirmation dialog
    std::u16string email;
    // The import account field the card signed: the account right-aligned in 16 characters,
    // padded with '0' on the left (its first 16 characters when longer).
    std::string signedAccount;
};

enum class ImportAccountCheck {
    Matches,
    Undecipherable, // not hexadecimal, or does not decipher under the session key
    Mismatch, // deciphers to another text than the clear one
    Malformed, // not an import account (fields, kind or transfer code)
};

// Deciphers `encipheredHex` under `sessionKey`, compares it with `clear` and reads it into
// `account` (only when it matches).
ImportAccountCheck CheckImportAccount(std::span<const uint8_t> sessionKey,
    std::string_view encipheredHex, std::u16string_view clear, ImportAccount& account);

// The fields of the transfer procedure's request, as the bank gave them to the page, and what
// the page read back from the control after it.
struct TransferProcedureFields {
    std::string pFdid, pFdChkCode, pMoney, pAccount;
    char serviceType = '0'; // the first character of ServiceType
    std::string timestamp; // GetRespDateTime
};

// The command data the card signed: a transfer to the chosen account ('0', and '2' unless the
// transfer code is 2523) or a tax payment ('1', and '2' with 2523), both with the dialog's
// transfer code as the processing code. Nothing for any other service (no request is sent).
std::optional<std::string> TransferProcedureCommandData(
    const TransferProcedureFields& fields, const ImportAccount& account);

} // namespace velkor::host
