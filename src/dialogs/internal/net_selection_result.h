#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "control/ui.h" // the dialog requests

// The result string of the net-bank selection dialogs: a kind character, "||" and the chosen
// value, closed by one "||", and its encipherment under the session key as the bank's host reads
// it (the UTF-16LE bytes enciphered, written as upper-case hexadecimal).
namespace velkor::net_selection {

// The longest result a dialog hands over; longer ones are cut.
inline constexpr size_t kResultMaxChars = 1799;
// The longest item of a list that a result is built from.
inline constexpr size_t kItemMaxChars = 1600;

// Kind characters: an agreed account, a common account, another account typed by the customer
// (and kept as a new common account when the customer asks).
inline constexpr char16_t kKindAgreed = u'0';
inline constexpr char16_t kKindCommon = u'1';
inline constexpr char16_t kKindOther = u'2';
inline constexpr char16_t kKindOtherKept = u'3';

// `kind`, "||" and everything after the item's first "%%" (nothing when it has none), with "||"
// appended unless it already ends so.
Text ResultFromItem(char16_t kind, std::u16string_view item);

} // namespace velkor::net_selection
