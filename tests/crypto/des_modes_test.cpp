#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "crypto/data_process.h"
#include "test_bytes.h"

namespace velkor {
namespace {

using testing::Bytes;
using testing::Hex;

// FIPS 81 appendix B/C: "Now is the time for all " under 0123456789ABCDEF.
const auto kFipsKey = Bytes("0123456789ABCDEF");
const auto kFipsIv = Bytes("1234567890ABCDEF");
const auto kFipsPlain = Bytes("4E6F77206973207468652074696D6520666F7220616C6C20");

// SP 800-67 appendix: three-key TDEA over "The qufck brown fox jump".
const auto kTdeaKey = Bytes("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
const auto kTdeaPlain = Bytes("54686520717566636B2062726F776E20666F78206A756D70");

struct Outcome {
    int32_t status;
    std::string hex;
};

Outcome Encrypt(const std::vector<uint8_t>& key, KeyForm form, std::vector<uint8_t> in,
    ChainMode mode, const uint8_t* iv)
{
    std::vector<uint8_t> out(in.size() / 8 * 8 + 8, 0xEE);
    size_t length = in.size();
    in.reserve(1); // an empty input is still given, not missing
    const int32_t status
        = CDataProcess::DesEncrypt(key.data(), form, &length, in.data(), out.data(), mode, iv);
    return { status, status == 0 ? Hex(out.data(), length) : "" };
}

// On failure `hex` is the whole output buffer, to show what a refused decipherment left there.
Outcome Decrypt(const std::vector<uint8_t>& key, KeyForm form, const std::vector<uint8_t>& in,
    ChainMode mode, const uint8_t* iv)
{
    std::vector<uint8_t> out(in.size(), 0xEE);
    size_t length = in.size();
    const int32_t status
        = CDataProcess::DesDecrypt(key.data(), form, &length, in.data(), out.data(), mode, iv);
    return { status, Hex(out.data(), status == 0 ? length : out.size()) };
}

TEST(DesKnownAnswers, SingleDesEcbAndCbc)
{
    const std::string ecb = "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53";
    const std::string cbc = "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6";
    EXPECT_EQ(Encrypt(kFipsKey, KeyForm::SingleDes, kFipsPlain, ChainMode::Ecb, nullptr).hex, ecb);
    EXPECT_EQ(
        Encrypt(kFipsKey, KeyForm::SingleDes, kFipsPlain, ChainMode::CbcNoPadding, kFipsIv.data())
            .hex,
        cbc);
    EXPECT_EQ(Decrypt(kFipsKey, KeyForm::SingleDes, Bytes(ecb), ChainMode::Ecb, nullptr).hex,
        Hex(kFipsPlain));
    EXPECT_EQ(
        Decrypt(kFipsKey, KeyForm::SingleDes, Bytes(cbc), ChainMode::CbcNoPadding, kFipsIv.data())
            .hex,
        Hex(kFipsPlain));
}

TEST(DesKnownAnswers, ThreeKeyTdea)
{
    const std::string expected = "A826FD8CE53B855FCCE21C8112256FE668D5C05DD9B6B900";
    EXPECT_EQ(
        Encrypt(kTdeaKey, KeyForm::ThreeKey, kTdeaPlain, ChainMode::Ecb, nullptr).hex, expected);
    EXPECT_EQ(Decrypt(kTdeaKey, KeyForm::ThreeKey, Bytes(expected), ChainMode::Ecb, nullptr).hex,
        Hex(kTdeaPlain));
}

TEST(DesKeyForms, TwoKeyIsThreeKeyWithK3EqualK1AndCollapsesToSingleDes)
{
    const auto k1k2 = Bytes("0123456789ABCDEF23456789ABCDEF01");
    const auto k1k2k1 = Bytes("0123456789ABCDEF23456789ABCDEF010123456789ABCDEF");
    EXPECT_EQ(Encrypt(k1k2, KeyForm::TwoKey, kTdeaPlain, ChainMode::Ecb, nullptr).hex,
        Encrypt(k1k2k1, KeyForm::ThreeKey, kTdeaPlain, ChainMode::Ecb, nullptr).hex);
    const auto doubled = Bytes("0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(Encrypt(doubled, KeyForm::TwoKey, kFipsPlain, ChainMode::Ecb, nullptr).hex,
        "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53");
}

TEST(DesPadding, AlwaysAppendsOneBlockOfPaddingCounts)
{
    const std::vector<uint8_t> iv(8, 0);
    // 16 bytes give 24: the last block is eight 08 bytes chained to the second block.
    const Outcome padded = Encrypt(kFipsKey, KeyForm::SingleDes,
        Bytes("00112233445566778899AABBCCDDEEFF"), ChainMode::CbcPadded, iv.data());
    ASSERT_EQ(padded.status, 0);
    ASSERT_EQ(padded.hex.size(), 48u);
    const Outcome chained = Encrypt(kFipsKey, KeyForm::SingleDes, Bytes("0808080808080808"),
        ChainMode::CbcNoPadding, Bytes(padded.hex.substr(16, 16)).data());
    EXPECT_EQ(padded.hex.substr(32), chained.hex);

    // 5 bytes: three padding bytes of value 3; 0 bytes: one block of 8s. Both round trip.
    for (const std::string plain : { "0102030405", "" }) {
        const Outcome enc
            = Encrypt(kFipsKey, KeyForm::SingleDes, Bytes(plain), ChainMode::CbcPadded, iv.data());
        ASSERT_EQ(enc.hex.size(), 16u);
        EXPECT_EQ(Decrypt(kFipsKey, KeyForm::SingleDes, Bytes(enc.hex), ChainMode::CbcNoPadding,
                      iv.data())
                      .hex,
            plain + std::string(plain.empty() ? "0808080808080808" : "030303"));
        EXPECT_EQ(
            Decrypt(kFipsKey, KeyForm::SingleDes, Bytes(enc.hex), ChainMode::CbcPadded, iv.data())
                .hex,
            plain);
    }
}

TEST(DesPadding, RemovalTrustsOnlyTheLastByteAndRefusesCountsAboveEight)
{
    const std::vector<uint8_t> iv(8, 0);
    const auto encryptBlock = [&](const char* plain) {
        return Bytes(
            Encrypt(kFipsKey, KeyForm::SingleDes, Bytes(plain), ChainMode::CbcNoPadding, iv.data())
                .hex);
    };
    // A refused padding leaves no plain text behind.
    const Outcome refused = Decrypt(kFipsKey, KeyForm::SingleDes, encryptBlock("1122334455667709"),
        ChainMode::CbcPadded, iv.data());
    EXPECT_EQ(refused.status, status::kCipherBadPadding);
    EXPECT_EQ(refused.hex, std::string(16, '0'));
    // Count 0 removes nothing; the other padding bytes are not examined.
    EXPECT_EQ(Decrypt(kFipsKey, KeyForm::SingleDes, encryptBlock("1122334455667700"),
                  ChainMode::CbcPadded, iv.data())
                  .hex,
        "1122334455667700");
    EXPECT_EQ(Decrypt(kFipsKey, KeyForm::SingleDes, encryptBlock("11223344556677FF"),
                  ChainMode::CbcPadded, iv.data())
                  .status,
        status::kCipherBadPadding);
    EXPECT_EQ(Decrypt(kFipsKey, KeyForm::SingleDes, encryptBlock("1122334455669902"),
                  ChainMode::CbcPadded, iv.data())
                  .hex,
        "112233445566");
}

TEST(DesErrors, MissingArgumentsAndPartialBlocks)
{
    uint8_t buffer[32] = {};
    size_t length = 8;
    const uint8_t* key = kFipsKey.data();
    EXPECT_EQ(CDataProcess::DesEncrypt(
                  nullptr, KeyForm::SingleDes, &length, buffer, buffer, ChainMode::Ecb, nullptr),
        status::kCipherBadArgument);
    EXPECT_EQ(CDataProcess::DesEncrypt(
                  key, KeyForm::SingleDes, nullptr, buffer, buffer, ChainMode::Ecb, nullptr),
        status::kCipherBadArgument);
    EXPECT_EQ(CDataProcess::DesEncrypt(
                  key, KeyForm::SingleDes, &length, buffer, buffer, ChainMode::CbcPadded, nullptr),
        status::kCipherBadArgument);
    EXPECT_EQ(CDataProcess::DesDecrypt(
                  key, static_cast<KeyForm>(3), &length, buffer, buffer, ChainMode::Ecb, nullptr),
        status::kCipherBadArgument);

    length = 12;
    EXPECT_EQ(CDataProcess::DesEncrypt(
                  key, KeyForm::SingleDes, &length, buffer, buffer, ChainMode::Ecb, nullptr),
        status::kCipherBadLength);
    EXPECT_EQ(CDataProcess::DesEncrypt(key, KeyForm::SingleDes, &length, buffer, buffer,
                  ChainMode::CbcNoPadding, buffer),
        status::kCipherBadLength);
    EXPECT_EQ(CDataProcess::DesDecrypt(
                  key, KeyForm::SingleDes, &length, buffer, buffer, ChainMode::CbcPadded, buffer),
        status::kCipherBadLength);
    length = 0;
    EXPECT_EQ(CDataProcess::DesDecrypt(key, KeyForm::SingleDes, &length, buffer, buffer,
                  ChainMode::CbcPadded, buffer + 16),
        status::kCipherBadLength);
    EXPECT_EQ(length, 0u);
}

TEST(DesModes, InPlaceCbcWithPaddingMatchesSeparateBuffers)
{
    const std::vector<uint8_t> iv(8, 0x5A);
    const auto plain = Bytes("000102030405060708090A0B0C");
    const Outcome separate
        = Encrypt(kTdeaKey, KeyForm::ThreeKey, plain, ChainMode::CbcPadded, iv.data());
    std::vector<uint8_t> inPlace(16, 0);
    std::copy(plain.begin(), plain.end(), inPlace.begin());
    size_t length = plain.size();
    ASSERT_EQ(CDataProcess::DesEncrypt(kTdeaKey.data(), KeyForm::ThreeKey, &length, inPlace.data(),
                  inPlace.data(), ChainMode::CbcPadded, iv.data()),
        0);
    EXPECT_EQ(Hex(inPlace.data(), length), separate.hex);
}

} // namespace
} // namespace velkor
