#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"

// The web-ATM transfer's part of the confirmation dialog: what it shows of the transfer-account
// dialog's first result, and the four-character transfer code that tells the bank whether the
// money stays within the payer's bank, goes to another bank, or to the bank's own accounts.
namespace velkor::confirmation {

struct TransferFields {
    Text bankText; // shown as the transferee bank (Tag9)
    Text bankCode; // the target bank's code, digits only
    Text email; // the notification address (Tag15); one blank when there is none
    bool bankTextStartsWith999 = false;
};

// Reads the plain first result: a 16-character account field, the kind character, then the bank
// text "display%%code[$$e-mail]" (at most 180 characters are read).
TransferFields ReadTransferFields(std::u16string_view firstResult);

// The transfer code for the payer's bank text `tag5` under `mode` ('1' mode 1, '2' mode 2, any
// other character mode 0). A bank code shorter than three digits never counts as found.
Text TransferCode(const std::optional<Text>& tag5, const TransferFields& fields, char16_t mode);

// Puts `code` in place of the four characters after the third "||" of the second result and
// makes the result end in "||". False when the result has no room for the code (fewer than
// three "||", or fewer than four characters after the third): it is then left unchanged.
bool PlaceTransferCode(Text& secondResult, std::u16string_view code);

} // namespace velkor::confirmation
