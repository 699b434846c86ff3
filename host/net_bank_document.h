#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The bank's side of the net-bank transfer (TransferNet): the parameter document that names the
// dialog and carries the customer's accounts, and what the bank reads out of the account the
// customer chose (GetEncImportAccount, deciphered with DecipherDialogResult).
namespace velkor::host {

// Which dialog the document asks for: its `FunType`. The transfer-account dialog is the one a
// document without a function type gets.
enum class NetBankDialogKind { Agreed = 0, Common = 1, Other = 2, TransferAccount = -1 };

// One entry of a list: shown as `display`; `fields` are the value the bank gets back (bank code,
// account, then what the common-account dialog shows as detail rows), joined with "||"; `hidden`
// (the transfer-account dialog's e-mail or note) follows "$$".
struct NetBankItem {
    std::u16string display;
    std::vector<std::u16string> fields;
    std::u16string hidden;
};

// One `AtmNode` element. `type` places it: in the transfer-account dialog '0' agreed accounts,
// '1' a group of common accounts, '2' the other-account list; in the common-account dialog '1'
// marks a group. Enciphered lists travel as hexadecimal under the session key.
struct NetBankList {
    std::u16string name;
    char16_t type = u'0';
    bool enciphered = false;
    int defaultIndex = 0;
    std::vector<NetBankItem> items;
    // The other-account dialog's one element: a preset account instead of items, the shortest
    // account the customer may type (`min`), the longest (`Default`, replacing defaultIndex) and
    // whether "加入常用帳號" starts checked.
    std::optional<std::u16string> preset;
    std::optional<int> minLength;
    std::optional<int> maxLength;
    std::optional<bool> addToCommonChecked;
};

struct NetBankDocument {
    NetBankDialogKind dialog = NetBankDialogKind::TransferAccount;
    std::u16string caption = u"霖州銀行_網路銀行";
    int timeoutSeconds = 60;
    std::optional<int> keyType;
    std::optional<int> addComm;
    // The common-account dialog: the group chosen at start, the value field the filter searches
    // (counted from 1) and the captions of the detail rows (at most 8 are shown).
    std::optional<int> select;
    std::optional<int> filterField;
    std::vector<std::u16string> titles;
    std::vector<NetBankList> lists;
};

// The document text a page passes to TransferNet as CommonInfo. `sessionKey` enciphers the lists
// marked enciphered (it may be empty when none is). False, with `error`, when a text holds what
// the dialogs' scanner would read as structure ('<', '>', '"', ";;", "%%", "$$", or "||" inside a
// field) or a list cannot be enciphered.
bool BuildNetBankDocument(const NetBankDocument& document, std::span<const uint8_t> sessionKey,
    std::u16string& text, std::string* error = nullptr);

// The account the customer chose, read from the deciphered import account. The selection dialogs
// give kind "||" fields "||"; the transfer-account dialog gives bank "||" account "||" kind "||"
// and, for a listed account, its hidden value "||". Kind: '0' agreed, '1' common, '2' other,
// '3' other and to be added to the common accounts.
struct NetBankImportAccount {
    char16_t kind = 0;
    std::u16string bank;
    std::u16string account;
    std::vector<std::u16string> moreFields;
};
std::optional<NetBankImportAccount> ReadNetBankImportAccount(
    std::u16string_view importAccount, NetBankDialogKind dialog);

} // namespace velkor::host
