#pragma once

#include <cstdint>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/reader_session.h"

// PIN verification and PIN change, typed by the customer on the page or on the reader's own PIN
// pad. Every VERIFY result is mapped the same way (MapPinResult), so that a page learns whether
// the PIN was accepted but never the card's tries counter.
namespace velkor::card {

// The outcome of a VERIFY: Done for 9000, PinAnswered6620 and PinAnswered6608 for those status
// words, PinRefused for any other status word or a failed exchange.
Result MapPinAnswer(const pcsc::ApduResult& verify);

// Typed verification: the PIN's check (CheckPin), ApplicationNotSelected, else the mapped VERIFY.
Result VerifyPin(pcsc::CardSlot slot, const OptText& pin);

// Verification on the reader's pad: the application is selected (ApplicationNotSelected) and
// VERIFY goes out with the blank FF block that the reader fills in; the mapped VERIFY.
Result VerifyPinOnReader(pcsc::CardSlot slot);
// The same with the short form 80 20 00 10 that some pad readers expect.
Result VerifyPinOnReaderShort(pcsc::CardSlot slot);

// Typed PIN change: both PINs checked (CheckPinChange); ApplicationNotSelected; then ReplacePin.
Result ChangePin(pcsc::CardSlot slot, const OptText& oldPin, const OptText& newPin);
// The two halves of ChangePin, for callers that put other steps between them. The checks of both
// PINs: ArgumentMissing for either missing, ArgumentWrongLength for either length, then
// ArgumentNotDigits for a non-digit in the old or the new PIN. And, on the selected application,
// the old PIN's verification (mapped), the PIN file's selection (ApplicationNotSelected) and the
// new PIN's write (a refused write is ExchangeFailed, passed on as the card answered it).
Result CheckPinChange(const OptText& oldPin, const OptText& newPin);
Result ReplacePin(pcsc::CardSlot slot, std::u16string_view oldPin, std::u16string_view newPin);

// PIN change on the reader's pad for the card that carries `account` (ArgumentMissing when
// missing): ApplicationNotSelected, the account check (CheckCardAccount's failure as it is), the
// PIN file's selection (ApplicationNotSelected), and VERIFY with the blank F0 block through which
// the reader asks for the old and the new PIN; the mapped VERIFY.
Result ChangePinOnReader(pcsc::CardSlot slot, const OptText& account);

} // namespace velkor::card
