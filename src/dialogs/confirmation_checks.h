#pragma once

#include <optional>
#include <string_view>

#include "common/text.h"

// The confirmation dialog's checks that the page's description of a transaction agrees with the
// data the card is about to sign.
namespace velkor::confirmation {

// Plain check: `expected` occurs whole in `shown` (leading blanks of `shown` skipped). A missing
// or empty `expected` fails: a check with nothing to compare must not pass as a match.
bool ShownTextContains(const std::optional<std::u16string_view>& expected, const Text& shown);

// Amount check: `amount` is the card's amount in hundredths (decimal digits, leading zeros
// allowed). The amount the page shows is the first number in `shown` that starts with a digit 1
// to 9 or with "0."; it must be the amount written with two decimals (for a whole amount also
// with none or one, "123" and "123.0"), and nothing but the amount: a longer number that merely
// starts with it ("1234.56" for 123) fails. On success the integer part in `shown` gets a ','
// between every three digits (1234567.00 becomes 1,234,567.00) and the rest is kept.
bool CheckAndFormatAmount(const std::optional<std::u16string_view>& amount, Text& shown);

} // namespace velkor::confirmation
