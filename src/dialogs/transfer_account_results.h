#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"
#include "control/ui.h"

// The two results of the transfer-account dialogs, built at OK from the account the customer
// chose or typed. The first result starts with the account in a 16-character field and the kind
// character; the second is the "||"-separated form the bank's host reads. Both are enciphered
// under the page's session key before they leave the dialog.
namespace velkor {

namespace transfer_account {

// Kind characters: agreed, common, other account, and other account to be added to the common
// accounts.
inline constexpr char16_t kAgreedKind = u'0';
inline constexpr char16_t kCommonKind = u'1';
inline constexpr char16_t kOtherKind = u'2';
inline constexpr char16_t kOtherAddedKind = u'3';

inline constexpr size_t kAccountFieldChars = 16;
inline constexpr size_t kBankItemChars = 64;
inline constexpr size_t kBankCodeChars = 8;

// One list item, display%%value$$hidden, split for the results.
struct ChosenItem {
    Text whole; // the item as the list data carries it
    Text display; // before the last "%%"
    Text value; // after the last "%%", blanks trimmed, up to its first "$$"
    Text hidden; // after the first "$$" of the value (at most 128 characters); may be empty
    ~ChosenItem();
};

ChosenItem SplitChosenItem(std::u16string_view item);

struct AccountResults {
    Text first;
    Text second;
    ~AccountResults();
    void Wipe();
};

// `account` cut to 16 characters, right-aligned and padded on the left with '0'.
Text AccountField(std::u16string_view account);

// An agreed or common account. `notice` is what follows the results: the e-mail field's text in
// the web-ATM dialog, the item's hidden value in the net-bank one; nothing is added when empty.
void BuildListedResults(TransferAccountDialog dialog, const ChosenItem& item, char16_t kind,
    std::u16string_view notice, AccountResults& out);

// An account the customer typed. The web-ATM dialog names the bank from the bank list's
// item (display%%code) and adds the e-mail field's text; the net-bank one names no bank.
void BuildTypedResults(TransferAccountDialog dialog, std::u16string_view bankItem,
    std::u16string_view account, char16_t kind, std::u16string_view email, AccountResults& out);

// The bank code of a bank-list item: the digits of its value from the first digit on, at most 8.
Text BankCodeOf(std::u16string_view bankItem);

} // namespace transfer_account

} // namespace velkor
