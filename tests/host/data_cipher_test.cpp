#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "demo_keys.h"

namespace velkor {
namespace {

using testing::DemoHostKeys;
using testing::T;

using Pair = testing::IssuedKey;

// The pair the host issues for a key of `length` bytes 31 32 33 ...
Pair Issue(size_t length)
{
    SecureBytes key(length);
    for (size_t i = 0; i < length; ++i) {
        key[i] = static_cast<uint8_t>(0x31 + i);
    }
    return testing::IssueKey(std::move(key));
}

// SessionCipher with the key store opened, under `pair`; `length` goes in as characters and comes
// back as the bytes written.
int32_t Cipher(const Pair& pair, int32_t direction, int32_t form, int32_t& length,
    const Text& input, Text& output)
{
    const ScopedEmbeddedKeys keys;
    return CDataProcess::SessionCipher(
        direction, form, length, input, pair.hash, pair.encrypted, output);
}

TEST(SessionCipher, ListDataFromTheHostAndResultsBackToIt)
{
    VELKOR_REQUIRE_HOST_KEYS();
    for (const size_t keyLength : { 8u, 16u, 24u }) {
        const Pair pair = Issue(keyLength);
        const std::u16string list = u"台北富邦%%012;;Account 1%%808;;";
        std::string listHex;
        ASSERT_TRUE(host::EncipherListData(pair.key, list, listHex));
        Text plain;
        int32_t length = static_cast<int32_t>(listHex.size());
        ASSERT_EQ(Cipher(pair, 1, CDataProcess::kInputHex, length, T(listHex), plain), 0);
        EXPECT_EQ(plain, list);
        EXPECT_EQ(length, static_cast<int32_t>(list.size() * 2));
        // An empty list is one padding block and comes back empty.
        ASSERT_TRUE(host::EncipherListData(pair.key, u"", listHex));
        ASSERT_EQ(listHex.size(), 16u);
        length = 16;
        ASSERT_EQ(Cipher(pair, 1, CDataProcess::kInputHex, length, T(listHex), plain), 0);
        EXPECT_EQ(length, 0);

        // A chosen account leaves the dialog enciphered from its UTF-16LE bytes, as hexadecimal.
        const Text account = u"0123456789012345";
        Text cipher;
        length = static_cast<int32_t>(account.size());
        ASSERT_EQ(Cipher(pair, 0, CDataProcess::kInputUtf16Le, length, account, cipher), 0);
        EXPECT_EQ(length, 40);
        const SecureBytes cipherBytes = TextLow8(cipher);
        std::u16string back;
        ASSERT_TRUE(host::DecipherDialogResult(
            pair.key, TextToUtf8(CDataProcess::HexText(cipherBytes)), back));
        EXPECT_EQ(back, account);
    }
}

TEST(SessionCipher, PlainBytesWithoutTextPairsAreWidenedByteByByte)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const Pair pair = Issue(16);
    Text cipher;
    int32_t length = 4;
    ASSERT_EQ(
        Cipher(pair, 0, CDataProcess::kInputLow8, length, Text(u"\u00C1\u00C2\u00FF!"), cipher), 0);
    ASSERT_EQ(length, 8);
    // Base64 input form for the way back.
    const SecureBytes bytes = TextLow8(cipher);
    const Text base64 = CDataProcess::Base64EncodeToText(bytes.data(), bytes.size());
    Text plain;
    length = static_cast<int32_t>(base64.size());
    ASSERT_EQ(Cipher(pair, 1, 2, length, base64, plain), 0);
    EXPECT_EQ(plain, u"\u00C1\u00C2\u00FF!");
}

TEST(SessionCipher, EveryFailureCode)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const Pair pair = Issue(16);
    const uint8_t twelveBytes[12] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 };
    const auto [twelve, twelveHash] = testing::AnyPairToControl(twelveBytes);
    Text output = u"unchanged";
    int32_t length = 2;
    const auto run = [&](int32_t direction, int32_t form, OptTextView input, OptTextView hash,
                         OptTextView key) {
        const ScopedEmbeddedKeys keys;
        return CDataProcess::SessionCipher(direction, form, length, input, hash, key, output);
    };
    Text badHash = pair.hash;
    badHash[0] = badHash[0] == u'0' ? u'1' : u'0';
    EXPECT_EQ(run(0, 0, std::nullopt, pair.hash, pair.encrypted), status::kDataCipherMissingText);
    EXPECT_EQ(run(0, 0, u"ab", pair.hash, std::nullopt), status::kDataCipherMissingText);
    EXPECT_EQ(
        run(0, 0, u"ab", pair.hash, Text(u"G") + pair.encrypted), status::kDataCipherKeyNotHex);
    EXPECT_EQ(run(0, 0, u"ab", pair.hash, Text(256, u'3')), status::kDataCipherKeyUndecipherable);
    EXPECT_EQ(run(0, 0, u"ab", twelveHash, twelve), status::kDataCipherKeyBadLength);
    EXPECT_EQ(run(0, 0, u"ab", u"XX", pair.encrypted), status::kDataCipherHashNotHex);
    EXPECT_EQ(run(0, 0, u"ab", badHash, pair.encrypted), status::kDataCipherHashMismatch);
    EXPECT_EQ(run(0, 1, u"0Z", pair.hash, pair.encrypted), status::kDataCipherBadInput);
    length = 3; // more characters than the input holds
    EXPECT_EQ(run(0, 0, u"ab", pair.hash, pair.encrypted), status::kDataCipherBadInput);
    length = 6401;
    EXPECT_EQ(run(0, 0, Text(6401, u'a'), pair.hash, pair.encrypted), status::kDataCipherBadInput);
    length = 12;
    EXPECT_EQ(run(1, 1, u"00112233445566778899AABB", pair.hash, pair.encrypted),
        status::kDataCipherFailed);
    EXPECT_EQ(output, u"unchanged");
    // Without the key store opened the key cannot be deciphered.
    length = 2;
    EXPECT_EQ(CDataProcess::SessionCipher(0, 0, length, u"ab", pair.hash, pair.encrypted, output),
        status::kDataCipherKeyUndecipherable);
}

TEST(ProtectOutput, ModesFormsAndWholeBlocks)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const Pair pair = Issue(16);
    const ScopedEmbeddedKeys keys;
    const uint8_t iv[8] = {};
    const uint8_t raw[16] = { '1', 0, '2', 0, '3', 0, '4', 0, '5', 0, '6', 0, '7', 0, '8', 0 };
    Text out;
    const auto protect = [&](int32_t form, std::span<const uint8_t> input, ChainMode mode,
                             Text& output, OptTextView hash) {
        return CDataProcess::ProtectOutput(form, input, iv, mode, hash, pair.encrypted, output);
    };
    EXPECT_EQ(protect(0, std::span(raw, 12), ChainMode::CbcNoPadding, out, pair.hash),
        status::kDataCipherBadInput);
    ASSERT_EQ(protect(0, raw, ChainMode::CbcNoPadding, out, pair.hash), 0);
    EXPECT_EQ(out.size(), 16u);
    // The same bytes given as hexadecimal digits encipher the same.
    const std::string hex = TextToUtf8(CDataProcess::HexText(raw));
    Text fromHex;
    ASSERT_EQ(protect(1, std::span(reinterpret_cast<const uint8_t*>(hex.data()), hex.size()),
                  ChainMode::CbcNoPadding, fromHex, pair.hash),
        0);
    EXPECT_EQ(fromHex, out);
    ASSERT_EQ(protect(0, raw, ChainMode::CbcPadded, out, pair.hash), 0);
    EXPECT_EQ(out.size(), 24u);
    EXPECT_EQ(protect(0, raw, ChainMode::Ecb, out, pair.hash), status::kConversionFailed);
    EXPECT_EQ(
        protect(0, raw, ChainMode::CbcPadded, out, std::nullopt), status::kDataCipherMissingText);
}

} // namespace
} // namespace velkor
