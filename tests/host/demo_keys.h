#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <openssl/pem.h>

#include "control/session_engine.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "host/bank_session.h"

// The bank's keys of the key set the build embeds (the demo set carries its host private key).
namespace velkor::testing {

inline std::string ReadKeySetFile(const char* name)
{
    const char* directory = std::getenv("VELKOR_KEY_SET_DIR");
    std::ifstream in(std::string(directory != nullptr ? directory : ".") + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline const host::HostKeys* DemoHostKeys()
{
    static const std::optional<host::HostKeys> keys = host::HostKeys::FromPem(
        ReadKeySetFile("host_private.pem"), ReadKeySetFile("control_public.pem"));
    return keys ? &*keys : nullptr;
}

// A key of the key set read with OpenSSL alone, not through the host library.
inline RsaKey ReadKeySetKey(const char* name, bool privateKey)
{
    const std::string pem = ReadKeySetFile(name);
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* key = privateKey ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr)
                               : PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return RsaKey(key);
}

// Enciphers any bytes to the control's public key (the host library refuses malformed keys), with
// their SHA-1: a session-key pair of any length.
inline std::pair<Text, Text> AnyPairToControl(std::span<const uint8_t> bytes)
{
    const RsaKey key = ReadKeySetKey("control_public.pem", false);
    std::vector<uint8_t> encrypted;
    key.PublicEncrypt(bytes, encrypted);
    const Sha1Digest digest = Sha1(bytes).value();
    return { CDataProcess::HexText(encrypted), CDataProcess::HexText(digest) };
}

inline Text T(const std::string& ascii)
{
    return Text(ascii.begin(), ascii.end());
}

// The embedded-key working buffers and the session engine's work area hold nothing after a call.
inline bool SecretsWiped()
{
    const auto allZero = [](std::span<const uint8_t> bytes) {
        return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
    };
    for (size_t i = 0; i < EmbeddedKeys::kBufferCount; ++i) {
        if (!allZero(EmbeddedKeys::WorkingBufferForTesting(static_cast<EmbeddedKeys::Buffer>(i)))) {
            return false;
        }
    }
    return allZero(SessionEngine::WorkAreaForTesting());
}

// A session key and the pair the host issues for it, as a page receives it.
struct IssuedKey {
    SecureBytes key;
    Text encrypted;
    Text hash;
};

inline IssuedKey IssueKey(SecureBytes key)
{
    IssuedKey issued;
    issued.key = std::move(key);
    host::SessionKeyPair pair;
    EXPECT_TRUE(host::IssueSessionKey(*DemoHostKeys(), issued.key, pair));
    issued.encrypted = T(pair.pCpukEncSessionKey);
    issued.hash = T(pair.pSessionKeyHash);
    return issued;
}

} // namespace velkor::testing

// A call's status, and the secrets wiped right after that call: a check only at the end of a test
// would miss what one failure path leaves behind, since the next call wipes it.
#define EXPECT_STATUS_AND_WIPED(call, expected)                                                    \
    do {                                                                                           \
        EXPECT_EQ((call), (expected)) << #call;                                                    \
        EXPECT_TRUE(velkor::testing::SecretsWiped()) << "after " << #call;                         \
    } while (0)

#define VELKOR_REQUIRE_HOST_KEYS()                                                                 \
    if (velkor::testing::DemoHostKeys() == nullptr) {                                              \
        GTEST_SKIP() << "the selected key set carries no host private key";                        \
    }
