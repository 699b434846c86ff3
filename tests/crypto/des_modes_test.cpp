#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "crypto/data_process.h"
#include "support/hex_bytes.h"

namespace velkor {
namespace {

using testing::FromHex;
using testing::ToHex;

// FIPS 81 appendix B/C: "Now is the time for all " under 0123456789ABCDEF.
const auto kFipsKey = FromHex("0123456789ABCDEF");
const auto kFipsIv = FromHex("1234567890ABCDEF");
constexpr char kFipsPlain[] = "4E6F77206973207468652074696D6520666F7220616C6C20";
// SP 800-67 appendix: three-key TDEA over "The qufck brown fox jump".
const auto kTdeaKey = FromHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
constexpr char kTdeaPlain[] = "54686520717566636B2062726F776E20666F78206A756D70";
const std::vector<uint8_t> kZeroIv(8, 0);

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
    return { status, status == 0 ? ToHex({ out.data(), length }) : "" };
}

// On failure `hex` is the whole output buffer, to show what a refused decipherment left there.
Outcome Decrypt(const std::vector<uint8_t>& key, KeyForm form, const std::vector<uint8_t>& in,
    ChainMode mode, const uint8_t* iv)
{
    std::vector<uint8_t> out(in.size(), 0xEE);
    size_t length = in.size();
    const int32_t status
        = CDataProcess::DesDecrypt(key.data(), form, &length, in.data(), out.data(), mode, iv);
    return { status, ToHex({ out.data(), status == 0 ? length : out.size() }) };
}

TEST(DesKnownAnswers, EachKeyFormAndChainingBothWays)
{
    const struct {
        const char* name;
        std::vector<uint8_t> key;
        KeyForm form;
        ChainMode mode;
        const uint8_t* iv;
        const char* plain;
        const char* cipher;
    } vectors[] = {
        { "DES ECB", kFipsKey, KeyForm::SingleDes, ChainMode::Ecb, nullptr, kFipsPlain,
            "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53" },
        { "DES CBC", kFipsKey, KeyForm::SingleDes, ChainMode::CbcNoPadding, kFipsIv.data(),
            kFipsPlain, "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6" },
        { "three-key TDEA", kTdeaKey, KeyForm::ThreeKey, ChainMode::Ecb, nullptr, kTdeaPlain,
            "A826FD8CE53B855FCCE21C8112256FE668D5C05DD9B6B900" },
        // K3 = K1 (the answer is three-key TDEA under K1 K2 K1); with K2 = K1 as well it collapses
        // to single DES.
        { "two-key as K1 K2 K1", FromHex("0123456789ABCDEF23456789ABCDEF01"), KeyForm::TwoKey,
            ChainMode::Ecb, nullptr, kTdeaPlain,
            "C44862F70CF2FBDC9077D0909FA91B884CABD61FC58E0CBB" },
        { "two-key with equal halves", FromHex("0123456789ABCDEF0123456789ABCDEF"), KeyForm::TwoKey,
            ChainMode::Ecb, nullptr, kFipsPlain,
            "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53" },
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(Encrypt(v.key, v.form, FromHex(v.plain), v.mode, v.iv).hex, v.cipher);
        EXPECT_EQ(Decrypt(v.key, v.form, FromHex(v.cipher), v.mode, v.iv).hex, v.plain);
    }
}

TEST(DesPadding, AlwaysAppendsOneBlockOfPaddingCounts)
{
    // 16 bytes give 24: the last block is eight 08 bytes chained to the second block.
    const Outcome padded = Encrypt(kFipsKey, KeyForm::SingleDes,
        FromHex("00112233445566778899AABBCCDDEEFF"), ChainMode::CbcPadded, kZeroIv.data());
    ASSERT_EQ(padded.hex.size(), 48u);
    const Outcome chained = Encrypt(kFipsKey, KeyForm::SingleDes, FromHex("0808080808080808"),
        ChainMode::CbcNoPadding, FromHex(padded.hex.substr(16, 16)).data());
    EXPECT_EQ(padded.hex.substr(32), chained.hex);

    // 5 bytes: three padding bytes of value 3; 0 bytes: one block of 8s. Both round trip.
    for (const std::string plain : { "0102030405", "" }) {
        const auto enc = FromHex(Encrypt(
            kFipsKey, KeyForm::SingleDes, FromHex(plain), ChainMode::CbcPadded, kZeroIv.data())
                                     .hex);
        ASSERT_EQ(enc.size(), 8u);
        EXPECT_EQ(
            Decrypt(kFipsKey, KeyForm::SingleDes, enc, ChainMode::CbcNoPadding, kZeroIv.data()).hex,
            plain + (plain.empty() ? "0808080808080808" : "030303"));
        EXPECT_EQ(
            Decrypt(kFipsKey, KeyForm::SingleDes, enc, ChainMode::CbcPadded, kZeroIv.data()).hex,
            plain);
    }
}

// Only the last byte is trusted: count 0 removes nothing, the other padding bytes are not
// examined, and a count above eight is refused without leaving any plain text behind.
TEST(DesPadding, RemovalTrustsOnlyTheLastByteAndWipesWhatItRefuses)
{
    const struct {
        const char* block;
        int32_t status;
        std::string left;
    } cases[] = {
        { "1122334455667709", status::kCipherBadPadding, std::string(16, '0') },
        { "11223344556677FF", status::kCipherBadPadding, std::string(16, '0') },
        { "1122334455667700", status::kOk, "1122334455667700" },
        { "1122334455669902", status::kOk, "112233445566" },
    };
    for (const auto& c : cases) {
        const auto enc = FromHex(Encrypt(
            kFipsKey, KeyForm::SingleDes, FromHex(c.block), ChainMode::CbcNoPadding, kZeroIv.data())
                                     .hex);
        const Outcome out
            = Decrypt(kFipsKey, KeyForm::SingleDes, enc, ChainMode::CbcPadded, kZeroIv.data());
        EXPECT_EQ(out.status, c.status) << c.block;
        EXPECT_EQ(out.hex, c.left) << c.block;
    }
}

TEST(DesErrors, MissingArgumentsAndPartialBlocks)
{
    uint8_t buffer[32] = {};
    const uint8_t* key = kFipsKey.data();
    const struct {
        bool encrypt;
        const uint8_t* key;
        KeyForm form;
        size_t length;
        ChainMode mode;
        const uint8_t* iv;
        int32_t status;
    } cases[] = {
        { true, nullptr, KeyForm::SingleDes, 8, ChainMode::Ecb, nullptr,
            status::kCipherBadArgument },
        { true, key, KeyForm::SingleDes, 8, ChainMode::CbcPadded, nullptr,
            status::kCipherBadArgument },
        { false, key, static_cast<KeyForm>(3), 8, ChainMode::Ecb, nullptr,
            status::kCipherBadArgument },
        { true, key, KeyForm::SingleDes, 12, ChainMode::Ecb, nullptr, status::kCipherBadLength },
        { true, key, KeyForm::SingleDes, 12, ChainMode::CbcNoPadding, buffer,
            status::kCipherBadLength },
        { false, key, KeyForm::SingleDes, 12, ChainMode::CbcPadded, buffer,
            status::kCipherBadLength },
        { false, key, KeyForm::SingleDes, 0, ChainMode::CbcPadded, buffer,
            status::kCipherBadLength },
    };
    for (const auto& c : cases) {
        size_t length = c.length;
        const auto run = c.encrypt ? CDataProcess::DesEncrypt : CDataProcess::DesDecrypt;
        EXPECT_EQ(run(c.key, c.form, &length, buffer, buffer, c.mode, c.iv), c.status)
            << (c.encrypt ? "encrypt " : "decrypt ") << c.length;
    }
    EXPECT_EQ(CDataProcess::DesEncrypt(
                  key, KeyForm::SingleDes, nullptr, buffer, buffer, ChainMode::Ecb, nullptr),
        status::kCipherBadArgument);
}

TEST(DesModes, InPlaceCbcWithPaddingMatchesSeparateBuffers)
{
    const std::vector<uint8_t> iv(8, 0x5A);
    const auto plain = FromHex("000102030405060708090A0B0C");
    const Outcome separate
        = Encrypt(kTdeaKey, KeyForm::ThreeKey, plain, ChainMode::CbcPadded, iv.data());
    std::vector<uint8_t> inPlace(16, 0);
    std::copy(plain.begin(), plain.end(), inPlace.begin());
    size_t length = plain.size();
    ASSERT_EQ(CDataProcess::DesEncrypt(kTdeaKey.data(), KeyForm::ThreeKey, &length, inPlace.data(),
                  inPlace.data(), ChainMode::CbcPadded, iv.data()),
        status::kOk);
    EXPECT_EQ(ToHex({ inPlace.data(), length }), separate.hex);
}

} // namespace
} // namespace velkor
