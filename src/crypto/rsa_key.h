#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/secure_buffer.h"

typedef struct evp_pkey_st EVP_PKEY;

// RSA with PKCS #1 v1.5 (RFC 8017) and SHA-1 (FIPS 180) on keys given as DER PKCS #1 structures,
// as the key store holds them. OpenSSL does the arithmetic and the padding.
namespace velkor {

using Sha1Digest = std::array<uint8_t, 20>;
// Nothing when the digest cannot be computed (for example a provider configuration without SHA-1):
// callers must fail rather than compare against a digest that was never written.
std::optional<Sha1Digest> Sha1(std::span<const uint8_t> data);

class RsaKey {
public:
    // RSAPrivateKey / RSAPublicKey in DER. An unparsable key gives an invalid object.
    static RsaKey FromPrivateDer(std::span<const uint8_t> der);
    static RsaKey FromPublicDer(std::span<const uint8_t> der);
    explicit RsaKey(EVP_PKEY* key = nullptr)
        : key_(key)
    {
    }
    RsaKey(RsaKey&& other) noexcept;
    RsaKey& operator=(RsaKey&& other) noexcept;
    RsaKey(const RsaKey&) = delete;
    RsaKey& operator=(const RsaKey&) = delete;
    ~RsaKey();

    bool Valid() const { return key_ != nullptr; }
    EVP_PKEY* Get() const { return key_; }
    // Modulus length k in bytes.
    size_t Size() const;

    // RSAES-PKCS1-v1_5 decryption: the block must be 00 02, at least 8 non-zero bytes, 00, message.
    bool PrivateDecrypt(std::span<const uint8_t> ciphertext, SecureBytes& message) const;
    // RSAES-PKCS1-v1_5 encryption with random non-zero padding; fails above k - 11 bytes.
    bool PublicEncrypt(std::span<const uint8_t> message, std::vector<uint8_t>& ciphertext) const;
    // RSASSA-PKCS1-v1_5 with SHA-1 over `data`.
    bool Sign(std::span<const uint8_t> data, std::vector<uint8_t>& signature) const;
    bool Verify(std::span<const uint8_t> data, std::span<const uint8_t> signature) const;

private:
    EVP_PKEY* key_;
};

} // namespace velkor
