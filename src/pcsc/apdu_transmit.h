#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/secure_buffer.h"
#include "pcsc/reader_session.h"
#include "pcsc/status_words.h"

// Sending command APDUs to the card of a session's reader slot, with the status-word conventions
// every card command relies on: 0 for 9000, SW1 * 256 + SW2 for any other status word, a PC/SC
// error as a signed 32-bit value, or -1 (no binding, or a malformed answer or argument).
namespace velkor::pcsc {

inline constexpr size_t kCommandCapacity = 300;
inline constexpr size_t kAnswerCapacity = 256;
inline constexpr size_t kGetResponseAnswerCapacity = 258;
inline constexpr size_t kExtendedAnswerCapacity = 512;
// How often a card that keeps answering 6Cxx (wrong length) is asked again before its status
// word is returned.
inline constexpr int kMaxWrongLengthResends = 3;

struct ApduHeader {
    uint8_t cla = 0;
    uint8_t ins = 0;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
};

struct ApduResult {
    // 0 when the card answered; else the PC/SC error, or -1 (no binding, malformed answer or
    // argument).
    int32_t pcscResult = 0;
    // SW1 * 256 + SW2 of the answer (0 when the card did not answer).
    int32_t statusWord = 0;

    bool Succeeded() const { return pcscResult == 0 && statusWord == sw::kSuccess; }
    int32_t Code() const
    {
        if (pcscResult != 0) {
            return pcscResult;
        }
        return statusWord == sw::kSuccess ? 0 : statusWord;
    }
};

// The data part of a card's answer (without the status word). Wiped when released, since answers
// may carry card secrets.
struct ApduResponse {
    std::array<uint8_t, kGetResponseAnswerCapacity> bytes {};
    size_t length = 0;

    ApduResponse() = default;
    ApduResponse(const ApduResponse&) = delete;
    ApduResponse& operator=(const ApduResponse&) = delete;
    ~ApduResponse() { Wipe(bytes.data(), bytes.size()); }
    std::span<const uint8_t> Data() const { return { bytes.data(), length }; }
};

// The whole answer of an extended command: data followed by the status word.
struct ApduExtendedAnswer {
    std::array<uint8_t, kExtendedAnswerCapacity> bytes {};
    size_t length = 0;

    ApduExtendedAnswer() = default;
    ApduExtendedAnswer(const ApduExtendedAnswer&) = delete;
    ApduExtendedAnswer& operator=(const ApduExtendedAnswer&) = delete;
    ~ApduExtendedAnswer() { Wipe(bytes.data(), bytes.size()); }
};

// Sends CLA INS P1 P2 [Lc data] [Le] to the slot's card. `data` holds at most 255 bytes (its size
// is Lc). The forms without `le` send no Le; Le is appended under T=1 on the first attempt when
// given, and under T=0 when given and there is no data.
// - 6Cxx: in the forms with a `response`, sent again with Le = xx (at most
//   kMaxWrongLengthResends times).
// - 61xx: the answer is fetched with GET RESPONSE; `response` gets what arrived (at most xx
//   bytes, 256 for 61 00), `le` how many (0 for 256), and the exchange counts as 9000 whatever
//   the GET RESPONSE's own status word.
// - data with a status word: `le` and `response` get the data (Le must have been given, else
//   -1), and the status word decides the result.
ApduResult TransmitApdu(CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data);
ApduResult TransmitApdu(
    CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data, uint8_t& le);
ApduResult TransmitApdu(
    CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data, ApduResponse& response);
ApduResult TransmitApdu(CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data,
    uint8_t& le, ApduResponse& response);

// Sends CLA INS P1 P2 [Lc data] with a three-byte expected length 00 hi lo (its low 16 bits)
// under T=1, and under T=0 when there is no data. `answer` receives the whole answer; when it has
// data `expectedLength` becomes the data's length. No 61xx or 6Cxx handling.
ApduResult TransmitApduExtended(CardSlot slot, const ApduHeader& header,
    std::span<const uint8_t> data, uint32_t& expectedLength, ApduExtendedAnswer& answer);

} // namespace velkor::pcsc
