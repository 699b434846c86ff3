#pragma once

#include <cstddef>
#include <string_view>

#include "common/secure_buffer.h"

// Opening the session key a page passes as the pair pCpukEncSessionKey (RSA ciphertext to the
// control's public key, hexadecimal) and pSessionKeyHash (SHA-1 of the key, hexadecimal): decode,
// decipher with the control's private key, check the length and the hash. Every session-key
// operation does this afresh and wipes the key when done.
namespace velkor {

enum class SessionKeyError {
    None,
    KeyNotHex, // also: longer than the working buffer takes
    KeyUndecipherable,
    KeyBadLength,
    HashNotHex, // also: longer than the working buffer takes
    HashMismatch, // also: fewer than 20 bytes of hash
};

struct SessionKeyRules {
    size_t maxKeyDigits; // the decode buffer: longer texts are refused, never overrun
    size_t maxHashDigits;
    bool dropOddKeyDigit; // otherwise an odd final digit becomes a high nibble
    bool anyMultipleOfEight; // otherwise only 8, 16 or 24 bytes
    // Open the key store around the RSA decipherment; otherwise the caller has opened it.
    bool openKeyStore;
};

// The working buffer of the session-key methods and of the dialogs' data cipher: 1266 bytes.
inline constexpr SessionKeyRules kSessionKeyRules { 2532, 2532, false, false, true };

SessionKeyError OpenSessionKey(std::u16string_view encryptedKeyHex, std::u16string_view hashHex,
    const SessionKeyRules& rules, SecureBytes& sessionKey);

} // namespace velkor
