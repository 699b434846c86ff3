#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "demo_keys.h"

#include <openssl/pem.h>

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

TEST(MutualAuthentication, FullExchangeIsAcceptedByTheHost)
{
    VELKOR_REQUIRE_HOST_KEYS();
    CVelkorCtrl control;
    host::MutualAuthentication bank(*DemoHostKeys());
    host::Challenge challenge;
    ASSERT_TRUE(bank.MakeChallenge(challenge));
    EXPECT_EQ(challenge.RN1Len, 128);
    ASSERT_EQ(Verify(control, challenge), 0);
    EXPECT_TRUE(SecretsWiped());

    const Text rn2 = control.GetEncryptRN2();
    const Text signature = control.GetEncryptHashRN2();
    const Text hash = control.GetSessionKeyHash();
    EXPECT_EQ(rn2.size(), 256u);
    EXPECT_EQ(signature.size(), 256u);
    EXPECT_EQ(hash.size(), 40u);
    EXPECT_EQ(bank.CheckAnswer(TextToUtf8(rn2), TextToUtf8(signature), TextToUtf8(hash)),
        host::AnswerCheck::Accepted);

    // A tampered answer is caught by the host at each of its three checks.
    std::string badHash = TextToUtf8(hash);
    badHash[0] = badHash[0] == '0' ? '1' : '0';
    EXPECT_EQ(bank.CheckAnswer(TextToUtf8(rn2), TextToUtf8(signature), badHash),
        host::AnswerCheck::HashMismatch);
    std::string badSignature = TextToUtf8(signature);
    badSignature[10] = badSignature[10] == '0' ? '1' : '0';
    EXPECT_EQ(bank.CheckAnswer(TextToUtf8(rn2), badSignature, TextToUtf8(hash)),
        host::AnswerCheck::Rn2SignatureInvalid);
    EXPECT_EQ(bank.CheckAnswer("00", TextToUtf8(signature), TextToUtf8(hash)),
        host::AnswerCheck::Rn2Undecipherable);
}

TEST(MutualAuthentication, Rn2HasNoZeroByteAndOddParityAndTheHashCoversRn1ThenRn2)
{
    VELKOR_REQUIRE_HOST_KEYS();
    // Only the host can see RN2: open it with the host's private key of the key set.
    const std::string pem = testing::ReadKeySetFile("host_private.pem");
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    const RsaKey hostKey(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    ASSERT_TRUE(hostKey.Valid());
    for (int round = 0; round < 8; ++round) {
        CVelkorCtrl control;
        host::MutualAuthentication bank(*DemoHostKeys());
        host::Challenge challenge;
        ASSERT_TRUE(bank.MakeChallenge(challenge));
        ASSERT_EQ(Verify(control, challenge), 0);
        const std::string rn2Hex = TextToUtf8(control.GetEncryptRN2());
        std::vector<uint8_t> encrypted(rn2Hex.size() / 2);
        ASSERT_TRUE(CDataProcess::HexToBytes(rn2Hex.size(), T(rn2Hex), encrypted.data()));
        SecureBytes rn2;
        ASSERT_TRUE(hostKey.PrivateDecrypt(encrypted, rn2));
        ASSERT_EQ(rn2.size(), 8u);
        for (const uint8_t byte : rn2) {
            EXPECT_NE(byte, 0);
            EXPECT_EQ(std::popcount(byte) % 2, 1);
        }
        EXPECT_EQ(bank.CheckAnswer(rn2Hex, TextToUtf8(control.GetEncryptHashRN2()),
                      TextToUtf8(control.GetSessionKeyHash())),
            host::AnswerCheck::Accepted);
    }
}

TEST(MutualAuthentication, ArgumentStatusesLeaveTheFlagAlone)
{
    VELKOR_REQUIRE_HOST_KEYS();
    CVelkorCtrl control;
    host::MutualAuthentication bank(*DemoHostKeys());
    host::Challenge good;
    ASSERT_TRUE(bank.MakeChallenge(good));
    ASSERT_EQ(Verify(control, good), 0);
    const Text hash = control.GetSessionKeyHash();

    EXPECT_EQ(control.VerifyRN1andGenerateRN2(128, std::nullopt, 128, T(good.pSprkSignRN1)),
        status::kMissingArgument);
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(
                  128, T(good.pCpukEncryptedRN1.substr(1)), 128, T(good.pSprkSignRN1)),
        status::kDecodeFailed1);
    EXPECT_EQ(
        control.VerifyRN1andGenerateRN2(128, T(good.pCpukEncryptedRN1), 127, T(good.pSprkSignRN1)),
        status::kDecodeFailed2);
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(
                  INT32_MAX, T(good.pCpukEncryptedRN1), 128, T(good.pSprkSignRN1)),
        status::kDecodeFailed1);
    EXPECT_EQ(control.GetSessionKeyHash(), hash);
    EXPECT_EQ(control.State().sessionKeyFlag, 1);
}

TEST(MutualAuthentication, FailuresAfterTheChecksHideTheHashAndWipe)
{
    VELKOR_REQUIRE_HOST_KEYS();
    CVelkorCtrl control;
    host::MutualAuthentication bank(*DemoHostKeys());
    host::Challenge good;
    ASSERT_TRUE(bank.MakeChallenge(good));
    ASSERT_EQ(Verify(control, good), 0);
    const Text rn2 = control.GetEncryptRN2();
    const Text signature = control.GetEncryptHashRN2();

    // Not hexadecimal.
    std::string notHex = good.pCpukEncryptedRN1;
    notHex[5] = 'X';
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(128, T(notHex), 128, T(good.pSprkSignRN1)),
        status::kDecodeFailed3);
    EXPECT_EQ(control.GetSessionKeyHash(), u"");
    EXPECT_TRUE(SecretsWiped());

    // An RN1 of 16 bytes, and a ciphertext that is not for this key.
    SecureBytes sixteen(16);
    std::fill(sixteen.begin(), sixteen.end(), 0x11);
    host::SessionKeyPair wrongSize;
    ASSERT_TRUE(host::IssueSessionKey(*DemoHostKeys(), sixteen, wrongSize));
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(
                  128, T(wrongSize.pCpukEncSessionKey), 128, T(good.pSprkSignRN1)),
        status::kSessionKeyUnusable);
    EXPECT_EQ(
        control.VerifyRN1andGenerateRN2(128, T(std::string(256, '5')), 128, T(good.pSprkSignRN1)),
        status::kSessionKeyUnusable);
    EXPECT_TRUE(SecretsWiped());

    // A signature text that is not hexadecimal: after RN1 opened, before RN2 is drawn.
    std::string badSignature = good.pSprkSignRN1;
    badSignature.back() = 'g';
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(128, T(good.pCpukEncryptedRN1), 128, T(badSignature)),
        status::kDecodeFailed3);
    EXPECT_TRUE(SecretsWiped());
    EXPECT_EQ(control.GetSessionKeyHash(), u"");
    // The earlier enciphered RN2 and signature stay readable.
    EXPECT_EQ(control.GetEncryptRN2(), rn2);
    EXPECT_EQ(control.GetEncryptHashRN2(), signature);

    // A longer text is decoded only as far as a 1024-bit ciphertext goes.
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(
                  129, T(good.pCpukEncryptedRN1 + "00"), 128, T(good.pSprkSignRN1)),
        0);
    EXPECT_EQ(control.GetSessionKeyHash().size(), 40u);
}

} // namespace
} // namespace velkor
