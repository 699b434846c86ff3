#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The parameter document a bank gives the page for the web-ATM transfer (TransferProc,
// TransferProcSnd, argument CommonInfo): the dialog's settings and its three lists, in this order:
// the agreed accounts (registered with the bank in advance), the customer's common accounts, and
// the banks an account typed by the customer may belong to. A list may travel enciphered under the
// session key, so the page never sees the accounts in clear.
namespace velkor::host {

// An agreed or common account. The dialog hands back "bankCode||account"; a common account may
// carry the e-mail address that is notified of transfers to it.
struct TransferAccountItem {
    std::u16string display;
    std::u16string bankCode;
    std::u16string account;
    std::u16string email; // common accounts only; empty for none
};

// A bank of the typed-account list: its name as shown and its code (digits).
struct TransferBankItem {
    std::u16string display;
    std::u16string code;
};

template <typename Item> struct TransferList {
    std::u16string name; // the caption of the list's radio button
    std::vector<Item> items; // an empty list is unavailable in the dialog
    bool enciphered = false;
    int32_t defaultIndex = 0;
};

struct TransferDocument {
    std::u16string caption;
    int32_t keyType = 0; // entry style of the typed account: 0 to 6
    int32_t timeoutSeconds = 40;
    bool allowAddToCommon = true; // false hides "加入常用帳號"
    bool addToCommonChecked = false;
    TransferList<TransferAccountItem> agreed;
    TransferList<TransferAccountItem> common;
    TransferList<TransferBankItem> banks;
};

// The document text. `sessionKey` (8, 16 or 24 bytes) enciphers the lists marked enciphered and
// may be empty when none is. False, and `document` untouched, when a text would change the
// document's structure (a quote, '<', '>', or one of the characters of the item separators ";;",
// "%%", "$$", "||"), a number is out of range, or a list cannot be enciphered.
bool BuildTransferDocument(const TransferDocument& contents, std::span<const uint8_t> sessionKey,
    std::u16string& document);

} // namespace velkor::host
