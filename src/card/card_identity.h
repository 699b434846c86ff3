#pragma once

#include <cstdint>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/reader_session.h"

// What the card tells about itself: the issuer bank (EF1001 record 1), the card remark (record 2)
// and the card serial (READ BINARY of the application). Each read selects the application first.
namespace velkor::card {

// Issuer bank: the 8 bytes from byte 2 of record 1, up to the first zero byte. Done,
// ApplicationNotSelected when a selection fails, or the failed read; `issuer` is set only when
// Done.
Result ReadIssuerBank(pcsc::CardSlot slot, Text& issuer);

// Card remark: bytes 2 to the end of record 2 as the card returned it, in upper-case
// hexadecimal. Done, ApplicationNotSelected, the failed read, or AnswerTooShort when the record
// holds no remark bytes.
Result ReadCardRemark(pcsc::CardSlot slot, Text& remarkHex);

// Card serial: bytes 4 to 11 of the 16-byte READ BINARY answer, as 16 upper-case hexadecimal
// digits. Done, ApplicationNotSelected, the failed read, or AnswerTooShort for an answer too
// short to hold the serial.
Result ReadCardSerial(pcsc::CardSlot slot, Text& serialHex);

} // namespace velkor::card
