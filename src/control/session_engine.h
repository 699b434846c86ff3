#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "common/text.h"
#include "control/page_interaction.h"
#include "crypto/data_process.h"

namespace velkor {

// The control's session engine: mutual authentication and session key, the session-key data
// cipher, the net-bank procedures, file transfer and the locale query. Keeps no state: the
// members it fills are passed in; the session key, RN1 and RN2 live only in a fixed work area
// that is wiped before every operation returns.
class SessionEngine {
public:
    // Mutual authentication and session key.

    // Recovers RN1, draws RN2, and stores RN2 enciphered to the host, its signature and the
    // session-key hash SHA-1(RN1 || RN2). The flag drops to 0 once the argument checks pass and
    // rises to 1 on success.
    int32_t VerifyRN1andGenerateRN2(int32_t rn1Length, const OptText& encryptedRn1Text,
        int32_t signatureLength, const OptText& signatureText, int32_t& sessionKeyFlag,
        Text& encryptedRn2, Text& rn2Signature, Text& sessionKeyHash) const;
    // 0 when the hash matches, -1 when it does not, or an error status.
    int32_t VerifySessionKeyHash(
        const OptText& encryptedSessionKey, const OptText& sessionKeyHashHex) const;
    // CBC with padding, zero initial value, under the session key; RespData gets the hexadecimal
    // result, only on success.
    int32_t DESEncipher(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        int32_t dataByteCount, const OptText& dataHex, Text& respData) const;
    int32_t DESDecipher(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        int32_t dataByteCount, const OptText& dataHex, Text& respData) const;

    // The steps every session-key operation starts with (also the file transfer's): decode and
    // decipher the session key, check its length and hash. On success `key` receives the key
    // (KeyLength(form) bytes) and the caller wipes it on every path: pass the session work area's
    // `sessionKey` and hold a WipeOnExit over the work area for the whole operation, as the
    // session-key cipher does. Returns 0, kDecodeFailed3, kSessionKeyUnusable or
    // kSessionKeyHashMismatch.
    int32_t SessionKeyOpen(std::u16string_view encryptedSessionKey,
        std::u16string_view sessionKeyHashHex, uint8_t (&key)[24], KeyForm& form) const;

    // The work area that holds session keys, RN1 and RN2 during a call, for tests that check it
    // is wiped afterwards.
    static std::span<const uint8_t> WorkAreaForTesting();

    // The net-bank common-account procedure (session_engine_common_account.cpp): the customer
    // fills in the net-bank common-account form; after its OK the clear common account goes into
    // `respData` and its encipherment into `encipheredCommonAccount`. 0, or kNotConfirmed when the
    // form was cancelled, timed out or the page left (the members keep their earlier values).
    int32_t CommAccountNet(const OptText& sessionKeyHash, const OptText& encipheredSessionKey,
        const OptText& document, Text& respData, Text& encipheredCommonAccount,
        const PageInteraction& page) const;

    // Locale: 0 on a Traditional Chinese (Taiwan) system locale, 1 otherwise.
    int32_t GetLocaleType() const;
};

} // namespace velkor
