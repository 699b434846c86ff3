#pragma once

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <openssl/pem.h>

#include "crypto/data_process.h"
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

// Enciphers any bytes to the control's public key (the host library refuses malformed keys), with
// their SHA-1: a session-key pair of any length.
inline std::pair<Text, Text> AnyPairToControl(std::span<const uint8_t> bytes)
{
    const std::string pem = ReadKeySetFile("control_public.pem");
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    const RsaKey key(PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    std::vector<uint8_t> encrypted;
    key.PublicEncrypt(bytes, encrypted);
    const Sha1Digest digest = Sha1(bytes);
    return { CDataProcess::HexText(encrypted), CDataProcess::HexText(digest) };
}

inline Text T(const std::string& ascii)
{
    return Text(ascii.begin(), ascii.end());
}

} // namespace velkor::testing

#define VELKOR_REQUIRE_HOST_KEYS()                                                                 \
    if (velkor::testing::DemoHostKeys() == nullptr) {                                              \
        GTEST_SKIP() << "the selected key set carries no host private key";                        \
    }
