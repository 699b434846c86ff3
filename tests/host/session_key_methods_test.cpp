#include <gtest/gtest.h>

#include <algorithm>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "crypto/key_store.h"
#include "demo_keys.h"

namespace velkor {
namespace {

using testing::DemoHostKeys;
using testing::SecretsWiped;
using testing::T;

// The pair the host issues for the key written in hexadecimal.
testing::IssuedKey Issue(std::string_view keyHex)
{
    SecureBytes key(keyHex.size() / 2);
    CDataProcess::HexToBytes(keyHex.size(), T(std::string(keyHex)), key.data());
    return testing::IssueKey(std::move(key));
}

TEST(SessionKeyMethods, EncipherMatchesTheHostAndRoundTripsForEachKeyForm)
{
    VELKOR_REQUIRE_HOST_KEYS();
    for (const char* keyHex : { "0123456789ABCDEF", "0123456789ABCDEF23456789ABCDEF01",
             "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123" }) {
        const testing::IssuedKey issued = Issue(keyHex);
        CVelkorCtrl control;
        EXPECT_STATUS_AND_WIPED(control.VerifySessionKeyHash(issued.encrypted, issued.hash), 0);
        const Text data = u"00112233445566778899aabbccddeeff";
        ASSERT_EQ(control.DESEncipher(issued.hash, issued.encrypted, 16, data), 0) << keyHex;
        const Text cipher = control.GetRespData();
        ASSERT_EQ(cipher.size(), 48u);
        EXPECT_TRUE(SecretsWiped());

        std::string hostCipher;
        const uint8_t plain[] = { 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA,
            0xBB, 0xCC, 0xDD, 0xEE, 0xFF };
        ASSERT_TRUE(host::EncipherForControl(issued.key, plain, hostCipher));
        EXPECT_EQ(cipher, T(hostCipher));

        ASSERT_EQ(control.DESDecipher(issued.hash, issued.encrypted, 24, cipher), 0);
        EXPECT_EQ(control.GetRespData(), u"00112233445566778899AABBCCDDEEFF");
        EXPECT_TRUE(SecretsWiped());

        // No data at all is one padding block, on both sides.
        ASSERT_EQ(control.DESEncipher(issued.hash, issued.encrypted, 0, u""), 0);
        const Text emptyCipher = control.GetRespData();
        EXPECT_EQ(emptyCipher.size(), 16u);
        ASSERT_TRUE(host::EncipherForControl(issued.key, {}, hostCipher));
        EXPECT_EQ(emptyCipher, T(hostCipher));
        SecureBytes back(1);
        ASSERT_TRUE(host::DecipherFromControl(issued.key, hostCipher, back));
        EXPECT_TRUE(back.empty());
    }
}

TEST(SessionKeyMethods, PaddingBlockAndLengthLimits)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const testing::IssuedKey issued = Issue("0123456789ABCDEF0123456789ABCDEF");
    CVelkorCtrl control;
    const auto encipher = [&](int32_t length, const Text& data) {
        return control.DESEncipher(issued.hash, issued.encrypted, length, data);
    };
    const auto decipher = [&](int32_t length, const Text& data) {
        return control.DESDecipher(issued.hash, issued.encrypted, length, data);
    };
    // With equal halves the key is single DES: the padding block is the encipherment of eight 08
    // bytes chained to the second block.
    ASSERT_EQ(encipher(16, Text(32, u'0')), 0);
    const Text cipher = control.GetRespData();
    ASSERT_EQ(control.MAC(8, Text(u"0123456789ABCDEF"), cipher.substr(16, 16), 8,
                  Text(u"0808080808080808")),
        0);
    EXPECT_EQ(control.GetRespData(), cipher.substr(32));

    EXPECT_STATUS_AND_WIPED(encipher(1024, Text(2048, u'A')), 0);
    EXPECT_EQ(control.GetRespData().size(), 2064u);
    const Text previous = control.GetRespData();
    EXPECT_STATUS_AND_WIPED(encipher(1025, Text(2050, u'A')), status::kBadValue);
    EXPECT_STATUS_AND_WIPED(encipher(16, Text(31, u'A')), status::kBadValue);
    EXPECT_STATUS_AND_WIPED(encipher(-1, Text()), status::kBadValue);
    EXPECT_STATUS_AND_WIPED(encipher(1, Text(u"0G")), status::kDecodeFailed3);
    EXPECT_EQ(control.GetRespData(), previous);
    // Deciphering: not whole blocks, nothing at all, a padding count above 8.
    EXPECT_STATUS_AND_WIPED(decipher(12, Text(24, u'0')), status::kSessionDesFailed);
    EXPECT_STATUS_AND_WIPED(decipher(0, Text()), status::kSessionDesFailed);
    ASSERT_EQ(control.DES(0, 8, Text(u"0123456789ABCDEF"), Text(u"1122334455667709")), 0);
    const Text badPadding = control.GetRespData();
    EXPECT_STATUS_AND_WIPED(decipher(8, badPadding), status::kSessionDesFailed);
    EXPECT_EQ(control.GetRespData(), badPadding);
}

TEST(SessionKeyMethods, KeyAndHashFailures)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const testing::IssuedKey issued = Issue("0123456789ABCDEF23456789ABCDEF01");
    CVelkorCtrl control;
    ASSERT_EQ(control.DES(0, 8, Text(u"0123456789ABCDEF"), Text(u"0000000000000000")), 0);
    const Text before = control.GetRespData();
    const auto encipher = [&](const OptText& hash, const OptText& key) {
        return control.DESEncipher(hash, key, 8, Text(16, u'0'));
    };
    const auto verify = [&](const OptText& key, const OptText& hash) {
        return control.VerifySessionKeyHash(key, hash);
    };
    const Text& key = issued.encrypted;
    const Text& hash = issued.hash;

    EXPECT_STATUS_AND_WIPED(encipher(std::nullopt, key), status::kMissingArgument);
    EXPECT_STATUS_AND_WIPED(
        control.DESDecipher(hash, std::nullopt, 8, Text(16, u'0')), status::kMissingArgument);
    EXPECT_STATUS_AND_WIPED(verify(key, std::nullopt), status::kMissingArgument);

    Text notHex = key;
    notHex[3] = u'Z';
    EXPECT_STATUS_AND_WIPED(encipher(hash, notHex), status::kDecodeFailed3);
    EXPECT_STATUS_AND_WIPED(verify(notHex, hash), status::kDecodeFailed3);
    // Longer than the working buffer: refused, never decoded into it.
    EXPECT_STATUS_AND_WIPED(encipher(hash, key + Text(2532, u'0')), status::kDecodeFailed3);
    EXPECT_STATUS_AND_WIPED(verify(key + Text(300, u'0'), hash), status::kDecodeFailed3);
    // Not a ciphertext for the control's key; a key of 12 bytes.
    EXPECT_STATUS_AND_WIPED(encipher(hash, Text(256, u'7')), status::kSessionKeyUnusable);
    const uint8_t twelveBytes[12] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 };
    const auto [twelve, twelveHash] = testing::AnyPairToControl(twelveBytes);
    EXPECT_STATUS_AND_WIPED(encipher(twelveHash, twelve), status::kSessionKeyUnusable);
    EXPECT_STATUS_AND_WIPED(verify(twelve, twelveHash), status::kSessionKeyUnusable);
    // VerifySessionKeyHash takes any whole number of blocks.
    const uint8_t thirtyTwoBytes[32] = { 1 };
    const auto [longKey, longHash] = testing::AnyPairToControl(thirtyTwoBytes);
    EXPECT_STATUS_AND_WIPED(verify(longKey, longHash), 0);
    EXPECT_STATUS_AND_WIPED(encipher(longHash, longKey), status::kSessionKeyUnusable);

    // Hash: wrong, short, not hexadecimal, and extra digits ignored.
    Text wrong = hash;
    wrong[39] = wrong[39] == u'0' ? u'1' : u'0';
    EXPECT_STATUS_AND_WIPED(encipher(wrong, key), status::kSessionKeyHashMismatch);
    EXPECT_STATUS_AND_WIPED(verify(key, wrong), status::kHashMismatch);
    EXPECT_STATUS_AND_WIPED(verify(key, hash.substr(0, 38)), status::kHashMismatch);
    EXPECT_STATUS_AND_WIPED(encipher(Text(u"XY") + hash, key), status::kDecodeFailed3);
    EXPECT_STATUS_AND_WIPED(verify(key, hash + u"0123"), 0);
    // An odd final digit of the key text: ignored by VerifySessionKeyHash only.
    EXPECT_STATUS_AND_WIPED(verify(key + u"0", hash), 0);
    EXPECT_EQ(control.GetRespData(), before);
}

} // namespace
} // namespace velkor
