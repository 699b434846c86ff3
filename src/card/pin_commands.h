#pragma once

#include <cstdint>

#include "common/text.h"

// PIN verification and PIN change, typed by the customer on the page or on the reader's own PIN
// pad. Every VERIFY result is mapped the same way (MapPinResult), so that a page learns whether
// the PIN was accepted but never the card's tries counter.
namespace velkor::card {

// 0 stays 0; 6620 gives 20485, 6608 gives 20484; any other status word, PC/SC error or -1
// gives 1.
int32_t MapPinResult(int32_t result);

// Typed verification: 8195, 8194 or 8193 for a PIN that cannot be sent, 20481 when the
// application is not selected, else the mapped VERIFY result.
int32_t VerifyPin(int32_t slot, const OptText& pin);

// Verification on the reader's pad: the application is selected (20481) and VERIFY goes out with
// the blank FF block that the reader fills in.
int32_t VerifyPinOnReader(int32_t slot);
// The same with the short form 80 20 00 10 that some pad readers expect.
int32_t VerifyPinOnReaderShort(int32_t slot);

// Typed PIN change: both PINs checked (missing 8195, length 8194, then a non-digit in the old and
// then the new PIN 8193); selection 20481; the old PIN's verification, mapped; the PIN file's
// selection 20481; then the new PIN's WRITE RECORD, whose result is returned as it is.
int32_t ChangePin(int32_t slot, const OptText& oldPin, const OptText& newPin);
// The two halves of ChangePin, for callers that put other steps between them: the checks of both
// PINs (0 or 8195, 8194, 8193), and, on the selected application, the old PIN's verification
// (mapped), the PIN file's selection (20481) and the new PIN's write (its result as it is).
int32_t CheckPinChange(const OptText& oldPin, const OptText& newPin);
int32_t ReplacePin(int32_t slot, std::u16string_view oldPin, std::u16string_view newPin);

// PIN change on the reader's pad for the card that carries `account` (8195 when missing):
// selection 20481, the account check (its failure returned as it is), the PIN file's selection
// 20481, and VERIFY with the blank F0 block through which the reader asks for the old and the new
// PIN; the mapped result.
int32_t ChangePinOnReader(int32_t slot, const OptText& account);

} // namespace velkor::card
