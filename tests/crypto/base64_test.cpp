#include <gtest/gtest.h>

#include "crypto/data_process.h"
#include "support/hex_bytes.h"

namespace velkor {
namespace {

std::string Decoded(std::u16string_view text)
{
    const SecureBytes bytes = CDataProcess::Base64Decode(text);
    return std::string(bytes.begin(), bytes.end());
}

// RFC 4648 section 10.
TEST(Base64, PublishedVectorsBothWays)
{
    const std::pair<std::string, std::string> vectors[]
        = { { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" }, { "foo", "Zm9v" },
              { "foob", "Zm9vYg==" }, { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" } };
    for (const auto& [plain, encoded] : vectors) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(plain.data());
        EXPECT_EQ(CDataProcess::Base64EncodeToBytes(bytes, plain.size()), encoded) << plain;
        EXPECT_EQ(CDataProcess::Base64EncodeToText(bytes, plain.size()), Utf8ToText(encoded))
            << plain;
        EXPECT_EQ(Decoded(Utf8ToText(encoded)), plain) << encoded;
    }
}

TEST(Base64, DecodeDropsLineBreaksAndRefusesIncompleteGroups)
{
    EXPECT_EQ(Decoded(u"Zm\r\n9v"), "foo");
    EXPECT_EQ(Decoded(u"Zm9"), "");
    EXPECT_EQ(Decoded(u"Zm9vY"), "");
    EXPECT_EQ(Decoded(u"\r\n"), "");
    // Characters outside the alphabet count as zero bits rather than failing.
    EXPECT_EQ(Decoded(u"A*A="), std::string("\x00\x00", 2));
    // So do non-ASCII ones, whatever their low 8 bits spell: a letter, a line break or padding.
    EXPECT_EQ(Decoded(u"\u0141AAA"), std::string("\x00\x00\x00", 3));
    EXPECT_EQ(Decoded(u"Zm9\u010Av"), "");
    EXPECT_EQ(Decoded(u"AAA\u013D"), std::string("\x00\x00\x00", 3));
}

} // namespace
} // namespace velkor
