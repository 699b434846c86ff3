#include "control/session_engine.h"

#include <cstring>

#include "common/status_codes.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "session_work_area.h"

namespace velkor {

namespace {

// RSA ciphertexts and signatures of keys up to 1024 bits: 128 bytes, 256 digits. Longer texts are
// decoded only that far.
constexpr size_t kRsaMaxDigits = 256;
constexpr size_t kRnBytes = 8;

bool DecodeRsaText(std::u16string_view text, SecureBytes& bytes)
{
    const size_t digits = std::min(text.size(), kRsaMaxDigits);
    bytes = SecureBytes((digits + 1) / 2);
    return CDataProcess::HexToBytes(digits, text, bytes.data());
}

} // namespace

SessionWorkArea& TheSessionWorkArea()
{
    static SessionWorkArea area {};
    return area;
}

std::span<const uint8_t> SessionEngine::WorkAreaForTesting()
{
    SessionWorkArea& area = TheSessionWorkArea();
    return { reinterpret_cast<const uint8_t*>(&area), sizeof area };
}

int32_t SessionEngine::VerifyRN1andGenerateRN2(int32_t rn1Length, const OptText& encryptedRn1Text,
    int32_t signatureLength, const OptText& signatureText, int32_t& sessionKeyFlag,
    Text& encryptedRn2, Text& rn2Signature, Text& sessionKeyHash) const
{
    if (!encryptedRn1Text || !signatureText) {
        return status::kMissingArgument;
    }
    if (static_cast<int64_t>(encryptedRn1Text->size()) != 2 * static_cast<int64_t>(rn1Length)) {
        return status::kDecodeFailed1;
    }
    if (static_cast<int64_t>(signatureText->size()) != 2 * static_cast<int64_t>(signatureLength)) {
        return status::kDecodeFailed2;
    }
    sessionKeyFlag = 0;

    SecureBytes encryptedRn1;
    if (!DecodeRsaText(*encryptedRn1Text, encryptedRn1)) {
        return status::kDecodeFailed3;
    }
    SessionWorkArea& area = TheSessionWorkArea();
    WipeOnExit wipeArea(area);
    ScopedEmbeddedKeys keyStore;
    const RsaKey controlKey
        = RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey));
    SecureBytes rn1;
    if (!keyStore.Loaded() || !controlKey.PrivateDecrypt(encryptedRn1, rn1)
        || rn1.size() != kRnBytes) {
        return status::kSessionKeyUnusable;
    }
    std::memcpy(area.rn1, rn1.data(), kRnBytes);
    rn1.Clear();

    // The host's signature over RN1 is decoded but not verified (see the README).
    SecureBytes signature;
    if (!DecodeRsaText(*signatureText, signature)) {
        return status::kDecodeFailed3;
    }

    std::vector<uint8_t> rn2Ciphertext;
    const RsaKey hostKey
        = RsaKey::FromPublicDer(EmbeddedKeys::Contents(EmbeddedKeys::kHostPublicKey));
    if (!CDataProcess::RandomBytes(area.rn2, kRnBytes, RandomParity::Odd) || !hostKey.Valid()
        || !hostKey.PublicEncrypt(std::span<const uint8_t>(area.rn2, kRnBytes), rn2Ciphertext)) {
        return status::kRn2EncipherFailed;
    }
    encryptedRn2 = CDataProcess::HexText(rn2Ciphertext);

    std::vector<uint8_t> rn2Signed;
    if (!controlKey.Sign(std::span<const uint8_t>(area.rn2, kRnBytes), rn2Signed)) {
        return status::kRn2SignFailed;
    }
    keyStore.Close();
    rn2Signature = CDataProcess::HexText(rn2Signed);

    std::memcpy(area.rnPair, area.rn1, kRnBytes);
    std::memcpy(area.rnPair + kRnBytes, area.rn2, kRnBytes);
    std::optional<Sha1Digest> computed = Sha1(area.rnPair);
    if (!computed) {
        return status::kRn2SignFailed;
    }
    Sha1Digest& digest = *computed;
    WipeOnExit wipeDigest(digest);
    sessionKeyFlag = 1;
    sessionKeyHash = CDataProcess::HexText(digest);
    return status::kOk;
}

} // namespace velkor
