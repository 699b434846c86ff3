#pragma once

#include <cstdint>
#include <functional>
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
    // CBC with padding, zero initial value, under the session key; respData gets the hexadecimal
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

    // Net-bank procedures and file transfer (session_engine_net_bank.cpp,
    // session_engine_file_transfer.cpp, session_engine_file_encipher.cpp).

    // Runs the net-bank dialog the document's function type names and stores the import account
    // the customer chose, clear and enciphered. Both members are emptied first. 0, or
    // status::kNetDialogNotCompleted when the dialog did not end with OK and an enciphered result.
    int32_t TransferNet(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        const OptText& commonInfo, const PageInteraction& page, Text& clearImportAccount,
        Text& encImportAccount) const;

    // Lets the customer choose a file and stores its contents enciphered under the session key
    // (base64) with their length, and its path in clear and enciphered. -1 when the file dialog
    // was cancelled, else 0 whatever happened to the file: a file that could not be read or
    // enciphered leaves `respLength` 0 (the caller set it to 0) and `respData` unchanged.
    int32_t FileTransfer(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        const PageInteraction& page, Text& respData, int32_t& respLength, Text& clearFileName,
        Text& encFileName) const;

    // Output forms of FileEncipher; any other value writes one character per cipher byte.
    static constexpr int32_t kFileOutputHex = 1;
    static constexpr int32_t kFileOutputBase64 = 2;
    // FileEncipher's answer when `read` failed (never a page's status).
    static constexpr int32_t kFileReadFailed = -2;
    // Fills `buffer` with exactly `count` further bytes of the input; false when it cannot.
    using ByteReader = std::function<bool(uint8_t* buffer, size_t count)>;

    // Enciphers `byteCount` bytes that `read` hands over piece by piece under the session key
    // (its own key form, CBC with padding, zero initial value) into `output` in `form`. The input
    // is never held whole: a large file costs its output text and a small buffer, which is wiped.
    // Returns 0; status::kMissingArgument when a key text or `read` is missing and the statuses
    // of SessionKeyOpen (`output` unchanged); status::kBufferNotAllocated or
    // status::kSessionDesFailed (`output` empty); kFileReadFailed (`output` unchanged: the input
    // was not taken).
    int32_t FileEncipher(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        uint64_t byteCount, const ByteReader& read, Text& output, int32_t form) const;
    // The same over bytes in memory (`bytes` null: missing).
    int32_t FileEncipher(const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey,
        size_t byteCount, const uint8_t* bytes, Text& output, int32_t form) const;

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
