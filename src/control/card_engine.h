#pragma once

#include <cstdint>

#include "common/text.h"

namespace velkor {

// The control's card engine: card sessions, card commands, transaction requests, the web ATM
// procedures and the plain cipher services. It keeps no state: each operation takes the reader
// slot and references to the control members it fills.
class CardEngine {
public:
    // Reader and card session.

    // Cipher services. DES and MAC write RespData only on success; the conversions return an
    // empty text and set LastErrorCode to 4097 on every failure.
    int32_t Des(int32_t opflag, int32_t keyLen, const OptText& keyVal, const OptText& inData,
        Text& respData) const;
    int32_t Mac(int32_t keyLen, const OptText& keyVal, const OptText& icv, int32_t inLen,
        const OptText& inData, Text& respData) const;
    Text ConvertIntToHex(int32_t inLength, const OptText& pInval, int32_t& lastErrorCode) const;
    Text ConvertHexToInt(int32_t inLength, const OptText& pInval, int32_t& lastErrorCode) const;
};

} // namespace velkor
