#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "crypto/data_process.h"
#include "crypto/key_blob.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "crypto/session_key.h"
#include "support/hex_bytes.h"

namespace velkor {
namespace {

using testing::FromHex;
using testing::ToHex;

bool AllZero(std::span<const uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

bool AllBuffersZero()
{
    for (size_t i = 0; i < EmbeddedKeys::kBufferCount; ++i) {
        const auto buffer = static_cast<EmbeddedKeys::Buffer>(i);
        if (!AllZero(EmbeddedKeys::WorkingBufferForTesting(buffer))) {
            return false;
        }
    }
    return true;
}

// The store key's derivation is checked by every load of the embedded set, sealed by the key tool.
TEST(KeyBlob, SealOpenRoundTripAndRefusals)
{
    const auto constant = FromHex("0102030405060708");
    const std::span<const uint8_t, 8> c(constant.data(), 8);
    const auto plain = FromHex("30820102");
    std::vector<uint8_t> blob;
    ASSERT_TRUE(keyblob::Seal(c, plain, blob));
    EXPECT_EQ(ToHex({ blob.data(), 4 }), "00000008");

    uint8_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    ASSERT_EQ(keyblob::Open(c, blob, buffer), 4u);
    EXPECT_EQ(ToHex({ buffer, 5 }), "3082010200");

    // Declared length beyond the blob, a plain text plus terminator beyond the buffer, another key.
    auto longer = blob;
    longer[3] = 16;
    EXPECT_FALSE(keyblob::Open(c, longer, buffer));
    uint8_t tight[4];
    EXPECT_FALSE(keyblob::Open(c, blob, tight));
    EXPECT_FALSE(keyblob::Open(c, std::span<const uint8_t>(blob.data(), 3), buffer));
    const auto other = FromHex("0807060504030201");
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    if (!keyblob::Open(std::span<const uint8_t, 8>(other.data(), 8), blob, buffer)) {
        EXPECT_TRUE(AllZero(buffer));
    }
}

// Only the outermost scope wipes, and it wipes every buffer even when closed early.
TEST(EmbeddedKeys, LoadGivesUsableKeysAndTheOutermostScopeWipesEveryBuffer)
{
    ASSERT_TRUE(EmbeddedKeys::Load());
    const RsaKey control
        = RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey));
    EXPECT_TRUE(control.Valid());
    EXPECT_EQ(control.Size(), 128u);
    EXPECT_TRUE(
        RsaKey::FromPublicDer(EmbeddedKeys::Contents(EmbeddedKeys::kHostPublicKey)).Valid());
    EmbeddedKeys::Wipe();
    EXPECT_TRUE(AllBuffersZero());
    EXPECT_TRUE(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey).empty());
    {
        ScopedEmbeddedKeys outer;
        {
            const ScopedEmbeddedKeys inner;
            EXPECT_TRUE(inner.Loaded());
        }
        EXPECT_FALSE(AllBuffersZero());
        outer.Close();
        EXPECT_TRUE(AllBuffersZero());
    }
    EXPECT_TRUE(AllBuffersZero());
}

TEST(EmbeddedKeys, ABrokenBlobLeavesEveryBufferWiped)
{
    const EmbeddedKeySet& real = BuiltInKeySet();
    std::vector<uint8_t> truncated(real.hostPublicKey.begin(), real.hostPublicKey.end() - 8);
    const EmbeddedKeySet broken { real.constant, real.controlPrivateKey, truncated, real.further1,
        real.further2 };
    EmbeddedKeys::UseKeySetForTesting(&broken);
    EXPECT_FALSE(EmbeddedKeys::Load());
    EmbeddedKeys::UseKeySetForTesting(nullptr);
    EXPECT_TRUE(AllBuffersZero());
}

TEST(EmbeddedKeys, AnOperationThatOpensTheStoreItselfLeavesAnOuterScopesKeys)
{
    const ScopedEmbeddedKeys outer;
    ASSERT_TRUE(outer.Loaded());
    const RsaKey control
        = RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey));
    const uint8_t key[16] = { 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38 };
    std::vector<uint8_t> encrypted;
    ASSERT_TRUE(control.PublicEncrypt(key, encrypted));
    const Sha1Digest hash = *Sha1(key);

    // Opening a session key loads and wipes the store by itself.
    SecureBytes opened;
    ASSERT_EQ(OpenSessionKey(CDataProcess::HexText(encrypted), CDataProcess::HexText(hash),
                  kSessionKeyRules, opened),
        SessionKeyError::None);
    EXPECT_TRUE(
        RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey)).Valid());
    {
        ScopedEmbeddedKeys inner;
        EXPECT_TRUE(inner.Loaded());
        inner.Close();
        EXPECT_FALSE(AllBuffersZero());
    }
    EXPECT_TRUE(
        RsaKey::FromPublicDer(EmbeddedKeys::Contents(EmbeddedKeys::kHostPublicKey)).Valid());
}

TEST(EmbeddedKeys, TheBuildKnowsWhetherItEmbedsTheDemoSet)
{
    const char* selected = std::getenv("VELKOR_KEY_SET_DIR");
    const char* source = std::getenv("VELKOR_SOURCE_DIR");
    ASSERT_TRUE(selected != nullptr && source != nullptr);
    std::error_code ignored;
    const bool demo = std::filesystem::equivalent(
        selected, std::filesystem::path(source) / "resources/keys/demo", ignored);
    EXPECT_EQ(BuiltInKeySetIsDemo(), demo);
}

} // namespace
} // namespace velkor
