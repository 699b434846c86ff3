#include "host/bank_session.h"

#include <cstring>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "crypto/data_process.h"
#include "crypto/rsa_key.h"

namespace velkor::host {

struct HostKeys::Impl {
    RsaKey hostPrivate;
    RsaKey controlPublic;
};

namespace {

constexpr size_t kRnBytes = 8;
constexpr uint8_t kZeroInitialValue[8] = {};

// The passphrase of an encrypted private key. Without this callback OpenSSL would ask on the
// terminal and block a server; with no passphrase given it refuses instead.
struct Passphrase {
    std::string_view text;
    bool asked = false;
};

int GivePassphrase(char* buffer, int size, int /*writing*/, void* context)
{
    auto* passphrase = static_cast<Passphrase*>(context);
    passphrase->asked = true;
    if (passphrase->text.empty() || passphrase->text.size() > static_cast<size_t>(size)) {
        return -1;
    }
    std::memcpy(buffer, passphrase->text.data(), passphrase->text.size());
    return static_cast<int>(passphrase->text.size());
}

RsaKey ReadPem(std::string_view pem, bool privateKey, Passphrase* passphrase = nullptr)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    if (bio == nullptr) {
        return RsaKey();
    }
    EVP_PKEY* key = privateKey ? PEM_read_bio_PrivateKey(bio, nullptr, GivePassphrase, passphrase)
                               : PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (key != nullptr && EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        key = nullptr;
    }
    return RsaKey(key);
}

std::string Hex(std::span<const uint8_t> bytes)
{
    const Text text = CDataProcess::HexText(bytes);
    return std::string(text.begin(), text.end());
}

bool FromHex(std::string_view hex, SecureBytes& bytes)
{
    Text text(hex.begin(), hex.end());
    WipeOnExit wipeText(text);
    bytes = SecureBytes((hex.size() + 1) / 2);
    return hex.size() % 2 == 0 && CDataProcess::HexToBytes(text.size(), text, bytes.data());
}

bool ValidSessionKey(std::span<const uint8_t> key)
{
    return key.size() == 8 || key.size() == 16 || key.size() == 24;
}

// CBC with padding, zero initial value, under `key` in `form`.
bool Cipher(
    bool encipher, const uint8_t* key, KeyForm form, std::span<const uint8_t> in, SecureBytes& out)
{
    out = SecureBytes(in.size() + CDataProcess::kBlockSize);
    // Empty data (one padding block) may come with a null pointer, which memcpy must not see.
    if (!in.empty()) {
        std::memcpy(out.data(), in.data(), in.size());
    }
    size_t length = in.size();
    const auto run = encipher ? &CDataProcess::DesEncrypt : &CDataProcess::DesDecrypt;
    if (run(key, form, &length, out.data(), out.data(), ChainMode::CbcPadded, kZeroInitialValue)
        != 0) {
        out.Clear();
        return false;
    }
    out.Truncate(length);
    return true;
}

// The dialogs' data key: two-key TDEA from the first 16 bytes, an 8-byte key padded with zeros.
void DialogDataKey(std::span<const uint8_t> sessionKey, uint8_t (&key)[16])
{
    std::memset(key, 0, sizeof key);
    std::memcpy(key, sessionKey.data(), std::min(sessionKey.size(), sizeof key));
}

} // namespace

HostKeys::HostKeys(std::shared_ptr<const Impl> impl)
    : impl_(std::move(impl))
{
}
HostKeys::~HostKeys() = default;

std::optional<HostKeys> HostKeys::FromPem(std::string_view hostPrivatePem,
    std::string_view controlPublicPem, std::string_view passphrase, std::string* error)
{
    Passphrase given { passphrase };
    auto impl = std::make_shared<Impl>(
        Impl { ReadPem(hostPrivatePem, true, &given), ReadPem(controlPublicPem, false) });
    const char* problem = nullptr;
    if (!impl->hostPrivate.Valid()) {
        problem = !given.asked   ? "the host private key is not an RSA private key in PEM"
            : passphrase.empty() ? "the host private key is encrypted and no passphrase was given"
                                 : "the host private key does not open with the passphrase given";
    } else if (!impl->controlPublic.Valid()) {
        problem = "the control public key is not an RSA public key in PEM";
    }
    if (problem != nullptr) {
        if (error != nullptr) {
            *error = problem;
        }
        return std::nullopt;
    }
    return HostKeys(std::move(impl));
}

MutualAuthentication::MutualAuthentication(HostKeys keys)
    : keys_(std::move(keys))
{
}

MutualAuthentication::~MutualAuthentication() = default;

bool MutualAuthentication::MakeChallenge(Challenge& challenge)
{
    rn1_ = SecureBytes(kRnBytes);
    std::vector<uint8_t> encrypted;
    std::vector<uint8_t> signature;
    if (!CDataProcess::RandomBytes(rn1_.data(), kRnBytes, RandomParity::AsDrawn)
        || !keys_.impl().controlPublic.PublicEncrypt(rn1_, encrypted)
        || !keys_.impl().hostPrivate.Sign(rn1_, signature)) {
        rn1_.Clear();
        return false;
    }
    challenge.RN1Len = static_cast<int32_t>(encrypted.size());
    challenge.pCpukEncryptedRN1 = Hex(encrypted);
    challenge.DsigLen = static_cast<int32_t>(signature.size());
    challenge.pSprkSignRN1 = Hex(signature);
    return true;
}

AnswerCheck MutualAuthentication::CheckAnswer(std::string_view encryptedRn2Hex,
    std::string_view rn2SignatureHex, std::string_view sessionKeyHashHex)
{
    if (rn1_.size() != kRnBytes) {
        return AnswerCheck::NoChallenge;
    }
    // One answer per challenge: a replayed or retried answer meets no RN1.
    const SecureBytes rn1 = std::move(rn1_);
    rn1_.Clear();
    SecureBytes encrypted;
    SecureBytes rn2;
    if (!FromHex(encryptedRn2Hex, encrypted)
        || !keys_.impl().hostPrivate.PrivateDecrypt(encrypted, rn2) || rn2.size() != kRnBytes) {
        return AnswerCheck::Rn2Undecipherable;
    }
    SecureBytes signature;
    if (!FromHex(rn2SignatureHex, signature)
        || !keys_.impl().controlPublic.Verify(rn2, signature)) {
        return AnswerCheck::Rn2SignatureInvalid;
    }
    uint8_t pair[2 * kRnBytes];
    WipeOnExit wipePair(pair);
    std::memcpy(pair, rn1.data(), kRnBytes);
    std::memcpy(pair + kRnBytes, rn2.data(), kRnBytes);
    std::optional<Sha1Digest> computed = Sha1(pair);
    if (!computed) {
        return AnswerCheck::HashMismatch;
    }
    Sha1Digest& digest = *computed;
    WipeOnExit wipeDigest(digest);
    SecureBytes hash;
    if (!FromHex(sessionKeyHashHex, hash) || hash.size() != digest.size()
        || CRYPTO_memcmp(hash.data(), digest.data(), digest.size()) != 0) {
        return AnswerCheck::HashMismatch;
    }
    return AnswerCheck::Accepted;
}

SecureBytes NewSessionKey()
{
    SecureBytes key(16);
    if (!CDataProcess::RandomBytes(key.data(), key.size(), RandomParity::Odd)) {
        key.Clear();
    }
    return key;
}

bool IssueSessionKey(
    const HostKeys& keys, std::span<const uint8_t> sessionKey, SessionKeyPair& pair)
{
    std::vector<uint8_t> encrypted;
    std::optional<Sha1Digest> digest;
    if (!ValidSessionKey(sessionKey)
        || !keys.impl().controlPublic.PublicEncrypt(sessionKey, encrypted)
        || !(digest = Sha1(sessionKey))) {
        return false;
    }
    pair.pCpukEncSessionKey = Hex(encrypted);
    pair.pSessionKeyHash = Hex(*digest);
    OPENSSL_cleanse(digest->data(), digest->size());
    return true;
}

bool EncipherForControl(
    std::span<const uint8_t> sessionKey, std::span<const uint8_t> data, std::string& hex)
{
    SecureBytes out;
    if (!ValidSessionKey(sessionKey)
        || !Cipher(
            true, sessionKey.data(), static_cast<KeyForm>(sessionKey.size() / 8 - 1), data, out)) {
        return false;
    }
    hex = Hex(out);
    return true;
}

bool DecipherFromControl(
    std::span<const uint8_t> sessionKey, std::string_view hex, SecureBytes& data)
{
    SecureBytes in;
    return ValidSessionKey(sessionKey) && FromHex(hex, in)
        && Cipher(
            false, sessionKey.data(), static_cast<KeyForm>(sessionKey.size() / 8 - 1), in, data);
}

bool EncipherListData(
    std::span<const uint8_t> sessionKey, std::u16string_view text, std::string& hex)
{
    if (!ValidSessionKey(sessionKey)) {
        return false;
    }
    SecureBytes plain(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        plain[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        plain[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    DialogDataKey(sessionKey, key);
    SecureBytes out;
    if (!Cipher(true, key, KeyForm::TwoKey, plain, out)) {
        return false;
    }
    hex = Hex(out);
    return true;
}

bool DecipherDialogResult(
    std::span<const uint8_t> sessionKey, std::string_view hex, std::u16string& text)
{
    SecureBytes in;
    if (!ValidSessionKey(sessionKey) || !FromHex(hex, in)) {
        return false;
    }
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    DialogDataKey(sessionKey, key);
    SecureBytes plain;
    if (!Cipher(false, key, KeyForm::TwoKey, in, plain) || plain.size() % 2 != 0) {
        return false;
    }
    text.assign(plain.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(plain[2 * i] | (plain[2 * i + 1] << 8));
    }
    return true;
}

} // namespace velkor::host
