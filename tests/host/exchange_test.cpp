#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <optional>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "crypto/key_blob.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "demo_keys.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

namespace velkor {
namespace {

using testing::DemoHostKeys;
using testing::SecretsWiped;
using testing::T;

int32_t Verify(CVelkorCtrl& control, const host::Challenge& c)
{
    return control.VerifyRN1andGenerateRN2(
        c.RN1Len, T(c.pCpukEncryptedRN1), c.DsigLen, T(c.pSprkSignRN1));
}

std::vector<uint8_t> Bytes(std::string_view hex)
{
    std::vector<uint8_t> bytes(hex.size() / 2);
    EXPECT_TRUE(CDataProcess::HexToBytes(hex.size(), T(std::string(hex)), bytes.data()));
    return bytes;
}

TEST(MutualAuthentication, TheHostCatchesATamperedAnswerAndAllowsNoRetry)
{
    VELKOR_REQUIRE_HOST_KEYS();
    // Built from a temporary: the run keeps the keys it needs.
    host::MutualAuthentication bank(
        *host::HostKeys::FromPem(testing::ReadKeySetFile("host_private.pem"),
            testing::ReadKeySetFile("control_public.pem")));
    struct Answer {
        std::string rn2, signature, hash;
    };
    const auto answer = [&bank]() {
        CVelkorCtrl control;
        host::Challenge challenge;
        EXPECT_TRUE(bank.MakeChallenge(challenge));
        EXPECT_EQ(Verify(control, challenge), 0);
        return Answer { TextToUtf8(control.GetEncryptRN2()),
            TextToUtf8(control.GetEncryptHashRN2()), TextToUtf8(control.GetSessionKeyHash()) };
    };
    const auto flip = [](std::string text, size_t at) {
        text[at] = text[at] == '0' ? '1' : '0';
        return text;
    };

    Answer a = answer();
    EXPECT_EQ(
        bank.CheckAnswer(a.rn2, a.signature, flip(a.hash, 0)), host::AnswerCheck::HashMismatch);
    // The failed check used the challenge up: the right answer is now too late.
    EXPECT_EQ(bank.CheckAnswer(a.rn2, a.signature, a.hash), host::AnswerCheck::NoChallenge);

    a = answer();
    EXPECT_EQ(bank.CheckAnswer(a.rn2, flip(a.signature, 10), a.hash),
        host::AnswerCheck::Rn2SignatureInvalid);
    a = answer();
    EXPECT_EQ(bank.CheckAnswer("00", a.signature, a.hash), host::AnswerCheck::Rn2Undecipherable);
    a = answer();
    EXPECT_EQ(bank.CheckAnswer(a.rn2, a.signature, a.hash), host::AnswerCheck::Accepted);
}

TEST(HostKeys, AnEncryptedHostKeyNeedsItsPassphraseAndNeverPrompts)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const std::string plainPem = testing::ReadKeySetFile("host_private.pem");
    const std::string controlPem = testing::ReadKeySetFile("control_public.pem");
    const RsaKey key = testing::ReadKeySetKey("host_private.pem", true);
    BIO* out = BIO_new(BIO_s_mem());
    const char passphrase[] = "bank passphrase";
    ASSERT_EQ(PEM_write_bio_PKCS8PrivateKey(out, key.Get(), EVP_aes_256_cbc(), passphrase,
                  static_cast<int>(sizeof passphrase - 1), nullptr, nullptr),
        1);
    char* data = nullptr;
    const long size = BIO_get_mem_data(out, &data);
    const std::string encryptedPem(data, static_cast<size_t>(size));
    BIO_free(out);

    std::string error;
    EXPECT_FALSE(host::HostKeys::FromPem(encryptedPem, controlPem, {}, &error));
    EXPECT_EQ(error, "the host private key is encrypted and no passphrase was given");
    EXPECT_FALSE(host::HostKeys::FromPem(encryptedPem, controlPem, "wrong", &error));
    EXPECT_EQ(error, "the host private key does not open with the passphrase given");
    EXPECT_FALSE(host::HostKeys::FromPem(plainPem, "not a key", {}, &error));
    EXPECT_EQ(error, "the control public key is not an RSA public key in PEM");

    const auto keys = host::HostKeys::FromPem(encryptedPem, controlPem, passphrase);
    ASSERT_TRUE(keys);
    host::MutualAuthentication bank(*keys);
    host::Challenge challenge;
    CVelkorCtrl control;
    ASSERT_TRUE(bank.MakeChallenge(challenge));
    ASSERT_EQ(Verify(control, challenge), 0);
    EXPECT_EQ(bank.CheckAnswer(TextToUtf8(control.GetEncryptRN2()),
                  TextToUtf8(control.GetEncryptHashRN2()), TextToUtf8(control.GetSessionKeyHash())),
        host::AnswerCheck::Accepted);
}

// Only the host can see RN2: it is opened here with the host's private key of the key set.
TEST(MutualAuthentication, TheHostAcceptsAnAnswerOnceAndRn2HasNoZeroByteAndOddParity)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const RsaKey hostKey = testing::ReadKeySetKey("host_private.pem", true);
    ASSERT_TRUE(hostKey.Valid());
    for (int round = 0; round < 8; ++round) {
        CVelkorCtrl control;
        host::MutualAuthentication bank(*DemoHostKeys());
        host::Challenge challenge;
        ASSERT_TRUE(bank.MakeChallenge(challenge));
        EXPECT_EQ(challenge.RN1Len, 128);
        ASSERT_EQ(Verify(control, challenge), 0);
        EXPECT_TRUE(SecretsWiped());
        const std::string rn2Hex = TextToUtf8(control.GetEncryptRN2());
        const std::string signature = TextToUtf8(control.GetEncryptHashRN2());
        const std::string hash = TextToUtf8(control.GetSessionKeyHash());
        EXPECT_EQ(signature.size(), 256u);
        EXPECT_EQ(hash.size(), 40u);
        SecureBytes rn2;
        ASSERT_TRUE(hostKey.PrivateDecrypt(Bytes(rn2Hex), rn2));
        ASSERT_EQ(rn2.size(), 8u);
        for (const uint8_t byte : rn2) {
            EXPECT_NE(byte, 0);
            EXPECT_EQ(std::popcount(byte) % 2, 1);
        }
        EXPECT_EQ(bank.CheckAnswer(rn2Hex, signature, hash), host::AnswerCheck::Accepted);
        EXPECT_EQ(bank.CheckAnswer(rn2Hex, signature, hash), host::AnswerCheck::NoChallenge)
            << "a replay";
    }
}

// A control that has answered one challenge of the demo bank: the earlier answer halves later
// failures must leave readable.
class AnsweredChallenge : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        bank.emplace(*DemoHostKeys());
        ASSERT_TRUE(bank->MakeChallenge(good));
        ASSERT_EQ(Verify(control, good), 0);
        rn2 = control.GetEncryptRN2();
        signature = control.GetEncryptHashRN2();
    }
    int32_t Answer(int32_t rn1Length, const std::string& rn1, int32_t signatureLength,
        const std::string& signRn1)
    {
        return control.VerifyRN1andGenerateRN2(rn1Length, T(rn1), signatureLength, T(signRn1));
    }

    CVelkorCtrl control;
    std::optional<host::MutualAuthentication> bank;
    host::Challenge good;
    Text rn2, signature;
};

TEST_F(AnsweredChallenge, ArgumentStatusesLeaveTheFlagAlone)
{
    const Text hash = control.GetSessionKeyHash();
    EXPECT_STATUS_AND_WIPED(
        control.VerifyRN1andGenerateRN2(128, std::nullopt, 128, T(good.pSprkSignRN1)),
        status::kMissingArgument);
    EXPECT_STATUS_AND_WIPED(Answer(128, good.pCpukEncryptedRN1.substr(1), 128, good.pSprkSignRN1),
        status::kDecodeFailed1);
    EXPECT_STATUS_AND_WIPED(
        Answer(128, good.pCpukEncryptedRN1, 127, good.pSprkSignRN1), status::kDecodeFailed2);
    EXPECT_STATUS_AND_WIPED(
        Answer(INT32_MAX, good.pCpukEncryptedRN1, 128, good.pSprkSignRN1), status::kDecodeFailed1);
    EXPECT_EQ(control.GetSessionKeyHash(), hash);
    EXPECT_EQ(control.State().sessionKeyFlag, 1);
}

TEST_F(AnsweredChallenge, FailuresAfterTheChecksHideTheHashAndWipe)
{
    std::string notHex = good.pCpukEncryptedRN1;
    notHex[5] = 'X';
    EXPECT_STATUS_AND_WIPED(Answer(128, notHex, 128, good.pSprkSignRN1), status::kDecodeFailed3);
    EXPECT_EQ(control.GetSessionKeyHash(), u"");

    // An RN1 of 16 bytes, and a ciphertext that is not for this key.
    SecureBytes sixteen(16);
    std::fill(sixteen.begin(), sixteen.end(), 0x11);
    host::SessionKeyPair wrongSize;
    ASSERT_TRUE(host::IssueSessionKey(*DemoHostKeys(), sixteen, wrongSize));
    EXPECT_STATUS_AND_WIPED(Answer(128, wrongSize.pCpukEncSessionKey, 128, good.pSprkSignRN1),
        status::kSessionKeyUnusable);
    EXPECT_STATUS_AND_WIPED(
        Answer(128, std::string(256, '5'), 128, good.pSprkSignRN1), status::kSessionKeyUnusable);

    // A signature text that is not hexadecimal: after RN1 opened, before RN2 is drawn.
    std::string badSignature = good.pSprkSignRN1;
    badSignature.back() = 'g';
    EXPECT_STATUS_AND_WIPED(
        Answer(128, good.pCpukEncryptedRN1, 128, badSignature), status::kDecodeFailed3);
    EXPECT_EQ(control.GetSessionKeyHash(), u"");
    EXPECT_EQ(control.GetEncryptRN2(), rn2);
    EXPECT_EQ(control.GetEncryptHashRN2(), signature);

    // A longer text is decoded only as far as a 1024-bit ciphertext goes.
    EXPECT_STATUS_AND_WIPED(Answer(129, good.pCpukEncryptedRN1 + "00", 128, good.pSprkSignRN1), 0);
    EXPECT_EQ(control.GetSessionKeyHash().size(), 40u);
}

// A key store like the built-in one (same constant) with one blob replaced.
class ReplacedBlob {
public:
    ReplacedBlob(EmbeddedKeys::Buffer buffer, std::span<const uint8_t> plain)
    {
        EXPECT_TRUE(keyblob::Seal(set_.constant, plain, blob_));
        (buffer == EmbeddedKeys::kControlPrivateKey ? set_.controlPrivateKey : set_.hostPublicKey)
            = blob_;
        EmbeddedKeys::UseKeySetForTesting(&set_);
    }
    ~ReplacedBlob() { EmbeddedKeys::UseKeySetForTesting(nullptr); }

private:
    std::vector<uint8_t> blob_;
    EmbeddedKeySet set_ { BuiltInKeySet() };
};

TEST_F(AnsweredChallenge, FailuresAtEncipheringAndSigningRn2KeepTheEarlierAnswerHalves)
{
    {
        // The host's public key is not an RSA key: RN2 cannot be enciphered to it.
        const uint8_t notRsa[] = { 0x30, 0x03, 0x02, 0x01, 0x00 };
        const ReplacedBlob hostKey(EmbeddedKeys::kHostPublicKey, notRsa);
        EXPECT_STATUS_AND_WIPED(Verify(control, good), status::kRn2EncipherFailed);
        EXPECT_EQ(control.State().sessionKeyFlag, 0);
        EXPECT_EQ(control.GetSessionKeyHash(), u"");
        EXPECT_EQ(control.GetEncryptRN2(), rn2);
        EXPECT_EQ(control.GetEncryptHashRN2(), signature);
    }
    ASSERT_EQ(Verify(control, good), 0);
    const Text rn2Again = control.GetEncryptRN2();
    const Text signatureAgain = control.GetEncryptHashRN2();
    {
        // A 352-bit control key: it opens an 8-byte RN1 but cannot hold a SHA-1 signature block
        // (35 bytes of DigestInfo and 11 of padding). RN2 is enciphered and kept; its signature is
        // not.
        const std::vector<uint8_t> smallKey
            = Bytes("3081E1020100022D00C2C6AE53B8A03C383CF4C953D7C4722F784CFE6608DC996ACA0ACB0C0642"
                    "D65097E686A0280BB8"
                    "3E127AFF810203010001022D00B38553DFAE676199A3F52A2AB0D04B3E1D6F397AE9E66B7054FD"
                    "C7CC263541627E5864"
                    "346513BC76C7BE4BD1021700C9BB6E087D1AC66E4C5BD99A67E2E7F6F38A13CCF31F021700F72C"
                    "368046799FB52DAF3D"
                    "39BFEBA4D8AA47C939595F02164810C0FA1F57155409CB362D46B7748E6FE9FFB0D399021700F1"
                    "810F977244AFD974D3"
                    "BE3CC8DAD36CA7A41066AA7D021672C3ECCAAB003F30DB8E95C9072AFECC90DC1F784FAF");
        const RsaKey small = RsaKey::FromPrivateDer(smallKey);
        ASSERT_EQ(small.Size(), 44u);
        const uint8_t rn1[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
        std::vector<uint8_t> encryptedRn1;
        ASSERT_TRUE(small.PublicEncrypt(rn1, encryptedRn1));
        const Text rn1Hex = CDataProcess::HexText(encryptedRn1);

        const ReplacedBlob controlKey(EmbeddedKeys::kControlPrivateKey, smallKey);
        EXPECT_STATUS_AND_WIPED(
            control.VerifyRN1andGenerateRN2(44, rn1Hex, good.DsigLen, T(good.pSprkSignRN1)),
            status::kRn2SignFailed);
        EXPECT_EQ(control.State().sessionKeyFlag, 0);
        EXPECT_EQ(control.GetSessionKeyHash(), u"");
        EXPECT_EQ(control.GetEncryptRN2().size(), 256u);
        EXPECT_NE(control.GetEncryptRN2(), rn2Again);
        EXPECT_EQ(control.GetEncryptHashRN2(), signatureAgain);
    }
}

// The control's answer checked with OpenSSL alone, on the key set's PEM files: host and control
// share RsaKey and Sha1, so a mistake in them (another digest, the pair in the other order, a
// signature without DigestInfo) would cancel out in the exchange tests above.
TEST(MutualAuthentication, TheAnswerChecksOutWithPlainOpenSsl)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const RsaKey controlPublic = testing::ReadKeySetKey("control_public.pem", false);
    const RsaKey hostPrivate = testing::ReadKeySetKey("host_private.pem", true);
    ASSERT_TRUE(controlPublic.Valid() && hostPrivate.Valid());

    const uint8_t rn1[8] = { 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88 };
    std::vector<uint8_t> encryptedRn1(128);
    size_t length = encryptedRn1.size();
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(controlPublic.Get(), nullptr);
    ASSERT_EQ(EVP_PKEY_encrypt_init(context), 1);
    ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING), 1);
    ASSERT_EQ(EVP_PKEY_encrypt(context, encryptedRn1.data(), &length, rn1, sizeof rn1), 1);
    EVP_PKEY_CTX_free(context);

    CVelkorCtrl control;
    ASSERT_EQ(control.VerifyRN1andGenerateRN2(
                  128, CDataProcess::HexText(encryptedRn1), 128, Text(256, u'0')),
        0);
    const std::vector<uint8_t> encryptedRn2 = Bytes(TextToUtf8(control.GetEncryptRN2()));
    const std::vector<uint8_t> signature = Bytes(TextToUtf8(control.GetEncryptHashRN2()));

    uint8_t rn2[128];
    length = sizeof rn2;
    context = EVP_PKEY_CTX_new(hostPrivate.Get(), nullptr);
    ASSERT_EQ(EVP_PKEY_decrypt_init(context), 1);
    ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING), 1);
    ASSERT_EQ(EVP_PKEY_decrypt(context, rn2, &length, encryptedRn2.data(), encryptedRn2.size()), 1);
    EVP_PKEY_CTX_free(context);
    ASSERT_EQ(length, 8u);

    uint8_t pair[16];
    std::copy(rn1, rn1 + 8, pair);
    std::copy(rn2, rn2 + 8, pair + 8);
    uint8_t hash[SHA_DIGEST_LENGTH];
    SHA1(pair, sizeof pair, hash);
    EXPECT_EQ(control.GetSessionKeyHash(), CDataProcess::HexText(hash));

    EVP_MD_CTX* verify = EVP_MD_CTX_new();
    ASSERT_EQ(EVP_DigestVerifyInit(verify, nullptr, EVP_sha1(), nullptr, controlPublic.Get()), 1);
    EXPECT_EQ(EVP_DigestVerify(verify, signature.data(), signature.size(), rn2, 8), 1);
    EVP_MD_CTX_free(verify);
}

} // namespace
} // namespace velkor
