#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/reader_session.h"

// The card's two account lists: EF1001 records 3 to 10 (16-character accounts, the card's own
// account first) and EF1002 records 1 to 8 (24 characters each). Bytes 0 and 1 of every record
// are not used; a record whose byte 3 is not a digit, or whose account characters are all "0",
// is an empty entry.
namespace velkor::card {

inline constexpr size_t kAccountListCapacity = 10;
using AccountList = std::array<Text, kAccountListCapacity>;

enum class AccountFile {
    Ef1001,
    Ef1002,
};

// Selects the application and the file (ApplicationNotSelected on failure, list and count
// untouched), sets the count to 0 and reads the records in order. A record the card refuses ends
// the listing with RecordRefused, keeping the entries found so far. Entries at and beyond the new
// count keep what an earlier listing left there. Done when every record was read.
Result ListAccounts(pcsc::CardSlot slot, AccountFile file, AccountList& list, int32_t& count);

// Compares the card's account (EF1001 record 3) with the first 16 characters of `account`, one
// byte each; the comparison stops at a zero on either side, so a shorter account never matches a
// full record. Done, ApplicationNotSelected when EF1001 is not selected, AccountDiffers, or the
// failed read (ExchangeFailed). The application must have been selected.
Result CheckCardAccount(pcsc::CardSlot slot, std::u16string_view account);

} // namespace velkor::card
