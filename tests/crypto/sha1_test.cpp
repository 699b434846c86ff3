#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include <openssl/evp.h>

#include "crypto/rsa_key.h"
#include "support/hex_bytes.h"

namespace velkor {
namespace {

using testing::ToHex;

std::string Sha1Hex(std::string_view message)
{
    const auto digest = Sha1(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(message.data()), message.size()));
    return digest ? ToHex(*digest) : "(failed)";
}

// The published known answers: control and host both use this digest, so a mistake shared by the
// two would otherwise go unnoticed by every exchange test.
TEST(Sha1, PublishedKnownAnswers)
{
    EXPECT_EQ(Sha1Hex("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(Sha1Hex(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

// A configuration in which no provider offers SHA-1 must give a failure, never a digest of zeros
// that a caller would compare against.
TEST(Sha1, AnUnavailableDigestIsAFailure)
{
    ASSERT_EQ(EVP_set_default_properties(nullptr, "fips=yes"), 1);
    const uint8_t key[16] = { 1, 2, 3 };
    const auto digest = Sha1(key);
    ASSERT_EQ(EVP_set_default_properties(nullptr, ""), 1);
    EXPECT_FALSE(digest.has_value());
    EXPECT_TRUE(Sha1(key).has_value());
}

} // namespace
} // namespace velkor
