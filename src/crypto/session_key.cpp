#include "crypto/session_key.h"

#include <optional>

#include <openssl/crypto.h>

#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"

namespace velkor {

namespace {

bool DecipherWithControlKey(std::span<const uint8_t> ciphertext, SecureBytes& key)
{
    const RsaKey privateKey
        = RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey));
    return privateKey.Valid() && privateKey.PrivateDecrypt(ciphertext, key);
}

} // namespace

SessionKeyError OpenSessionKey(std::u16string_view encryptedKeyHex, std::u16string_view hashHex,
    const SessionKeyRules& rules, SecureBytes& sessionKey)
{
    sessionKey.Clear();
    size_t digits = encryptedKeyHex.size();
    if (rules.dropOddKeyDigit) {
        digits -= digits % 2;
    }
    if (digits > rules.maxKeyDigits) {
        return SessionKeyError::KeyNotHex;
    }
    SecureBytes ciphertext((digits + 1) / 2);
    if (!CDataProcess::HexToBytes(digits, encryptedKeyHex, ciphertext.data())) {
        return SessionKeyError::KeyNotHex;
    }

    SecureBytes key;
    bool deciphered = false;
    if (rules.openKeyStore) {
        const ScopedEmbeddedKeys keyStore;
        deciphered = keyStore.Loaded() && DecipherWithControlKey(ciphertext, key);
    } else {
        deciphered = DecipherWithControlKey(ciphertext, key);
    }
    if (!deciphered) {
        return SessionKeyError::KeyUndecipherable;
    }
    const size_t length = key.size();
    const bool lengthOk = rules.anyMultipleOfEight ? length % 8 == 0
                                                   : (length == 8 || length == 16 || length == 24);
    if (!lengthOk) {
        return SessionKeyError::KeyBadLength;
    }

    if (hashHex.size() > rules.maxHashDigits) {
        return SessionKeyError::HashNotHex;
    }
    SecureBytes hash((hashHex.size() + 1) / 2);
    if (!CDataProcess::HexToBytes(hashHex.size(), hashHex, hash.data())) {
        return SessionKeyError::HashNotHex;
    }
    std::optional<Sha1Digest> computed = Sha1(key);
    if (!computed) {
        return SessionKeyError::KeyUndecipherable;
    }
    Sha1Digest& digest = *computed;
    WipeOnExit wipeDigest(digest);
    // A hash shorter than a SHA-1 digest cannot match; digits beyond it are ignored.
    if (hash.size() < digest.size()
        || CRYPTO_memcmp(hash.data(), digest.data(), digest.size()) != 0) {
        return SessionKeyError::HashMismatch;
    }
    sessionKey = std::move(key);
    return SessionKeyError::None;
}

} // namespace velkor
