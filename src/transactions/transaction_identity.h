#pragma once

#include <cstdint>

#include "common/text.h"
#include "pcsc/reader_session.h"

// The card identity the host needs with every signed transaction: issuer bank code (3
// characters), card remark (30 bytes as 60 hexadecimal digits) and account (16 characters), all
// from EF1001. One READ RECORD of records 1 onward is tried first; a card that refuses it is read
// record by record.
namespace velkor::transactions {

// Selects EF1001 (on failure nothing changes) and reads. The extended read replaces all three
// texts; in the record-by-record read each text is replaced once its record was read, and a
// refused record stops the reading, so the later texts keep their values.
void ReadTransactionIdentity(pcsc::CardSlot slot, Text& issuer, Text& remark, Text& account);

} // namespace velkor::transactions
