#include "list_cipher_fixture.h"

#include <vector>

#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "dialogs/session_list_decipher.h"

namespace velkor::testing {

// A session key made as the bank makes one: random, enciphered to the control's public key and
// vouched for by its SHA-1 hash.
ListCipherFixture::ListCipherFixture()
{
    uint8_t key[16];
    CDataProcess::RandomBytes(key, sizeof key, RandomParity::Odd);
    std::vector<uint8_t> enciphered;
    {
        ScopedEmbeddedKeys keys;
        const RsaKey control
            = RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey));
        control.PublicEncrypt(key, enciphered);
    }
    const Sha1Digest hash = *Sha1(key);
    Wipe(key, sizeof key);
    encryptedKey_ = CDataProcess::HexText(enciphered);
    keyHash_ = CDataProcess::HexText(hash);
}

Text ListCipherFixture::Encipher(std::u16string_view plain) const
{
    ScopedEmbeddedKeys keys;
    int32_t length = static_cast<int32_t>(plain.size());
    Text cipher;
    CDataProcess::SessionCipher(
        0, CDataProcess::kInputUtf16Le, length, plain, keyHash_, encryptedKey_, cipher);
    const SecureBytes bytes = TextLow8(cipher);
    return CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
}

Text ListCipherFixture::Plain(std::u16string_view hex) const
{
    Text plain;
    if (MakeSessionListDecipher(keyHash_, encryptedKey_)(hex, plain) != 0) {
        plain.clear();
    }
    return plain;
}

ListDecipher ListCipherFixture::Decipher()
{
    ListDecipher real = MakeSessionListDecipher(keyHash_, encryptedKey_);
    return [this, real](std::u16string_view hex, Text& plain) {
        ++calls;
        return real(hex, plain);
    };
}

} // namespace velkor::testing
