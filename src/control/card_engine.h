#pragma once

#include <cstdint>

#include "common/text.h"
#include "pcsc/reader_session.h"

namespace velkor {

// The control's card engine: card sessions, card commands, transaction requests, the web ATM
// procedures and the plain cipher services. It keeps no state: each operation takes the reader
// slot and references to the control members it fills.
class CardEngine {
public:
    // Reader and card session (card_engine_session.cpp).

    // Lists the readers into `names` and `count` (the first 10 names are emptied first). 0, or -1
    // for any failure.
    int32_t ListReaders(pcsc::ReaderNameList& names, int32_t& count) const;

    // Connects exclusively to the card in the named reader. `slot` is set to 0 first and gets the
    // reader's slot on success (or a sharing violation); `atrHex` gets the ATR as upper-case
    // hexadecimal and `atrHexLength` its length. 0, 8195 for a missing name, 8194 for a name of
    // fewer than 6 or more than 64 characters, or the connection's error.
    int32_t ConnectCard(
        const OptText& readerName, int32_t& slot, int32_t& atrHexLength, Text& atrHex) const;

    // Ends a card session: disconnects the slot's card with a reset, releases the reader context
    // and unloads the PC/SC binding. Always 0.
    int32_t DisconnectCard(int32_t slot) const;

    // Reads reader attribute `attribId` (0 vendor name, 1 reader type, 2 version MM.mm.bbbb) as
    // text, one character per byte up to the first zero byte. 0, -1 for an `attribId` outside 0
    // to 2, -2 when the attribute cannot be read.
    int32_t ReaderStatus(int32_t slot, int32_t attribId, int32_t& length, Text& value) const;

    // Cipher services.
};

} // namespace velkor
