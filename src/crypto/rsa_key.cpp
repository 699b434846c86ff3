#include "crypto/rsa_key.h"

#include <climits>
#include <memory>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

namespace velkor {

namespace {

struct ContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_PKEY_CTX, ContextFree>;

Context NewContext(EVP_PKEY* key)
{
    return Context(key != nullptr ? EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr) : nullptr);
}

bool Fits(std::span<const uint8_t> data)
{
    return data.size() <= static_cast<size_t>(LONG_MAX);
}

} // namespace

std::optional<Sha1Digest> Sha1(std::span<const uint8_t> data)
{
    Sha1Digest digest {};
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1
        || length != digest.size()) {
        OPENSSL_cleanse(digest.data(), digest.size());
        return std::nullopt;
    }
    return digest;
}

RsaKey RsaKey::FromPrivateDer(std::span<const uint8_t> der)
{
    const unsigned char* cursor = der.data();
    if (der.empty() || !Fits(der)) {
        return RsaKey();
    }
    return RsaKey(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &cursor, static_cast<long>(der.size())));
}

RsaKey RsaKey::FromPublicDer(std::span<const uint8_t> der)
{
    const unsigned char* cursor = der.data();
    if (der.empty() || !Fits(der)) {
        return RsaKey();
    }
    return RsaKey(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &cursor, static_cast<long>(der.size())));
}

RsaKey::RsaKey(RsaKey&& other) noexcept
    : key_(other.key_)
{
    other.key_ = nullptr;
}

RsaKey& RsaKey::operator=(RsaKey&& other) noexcept
{
    if (this != &other) {
        EVP_PKEY_free(key_);
        key_ = other.key_;
        other.key_ = nullptr;
    }
    return *this;
}

RsaKey::~RsaKey()
{
    EVP_PKEY_free(key_);
}

size_t RsaKey::Size() const
{
    return key_ != nullptr ? static_cast<size_t>(EVP_PKEY_get_size(key_)) : 0;
}

bool RsaKey::PrivateDecrypt(std::span<const uint8_t> ciphertext, SecureBytes& message) const
{
    const Context context = NewContext(key_);
    if (!context || ciphertext.empty() || EVP_PKEY_decrypt_init(context.get()) != 1
        || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1) {
        return false;
    }
#ifdef OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION
    // Newer OpenSSL answers bad padding with a synthetic message; the caller must see a failure.
    unsigned int implicitRejection = 0;
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_uint(OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION, &implicitRejection),
        OSSL_PARAM_construct_end()
    };
    // Where it cannot be switched off, a bad block would look like a good one: refuse to decrypt.
    if (EVP_PKEY_CTX_set_params(context.get(), params) != 1) {
        return false;
    }
#endif
    SecureBytes out(Size());
    size_t length = out.size();
    if (EVP_PKEY_decrypt(context.get(), out.data(), &length, ciphertext.data(), ciphertext.size())
        != 1) {
        return false;
    }
    out.Truncate(length);
    message = std::move(out);
    return true;
}

bool RsaKey::PublicEncrypt(std::span<const uint8_t> message, std::vector<uint8_t>& ciphertext) const
{
    const Context context = NewContext(key_);
    if (!context || EVP_PKEY_encrypt_init(context.get()) != 1
        || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1) {
        return false;
    }
    std::vector<uint8_t> out(Size());
    size_t length = out.size();
    if (EVP_PKEY_encrypt(context.get(), out.data(), &length, message.data(), message.size()) != 1) {
        return false;
    }
    out.resize(length);
    ciphertext = std::move(out);
    return true;
}

bool RsaKey::Sign(std::span<const uint8_t> data, std::vector<uint8_t>& signature) const
{
    const Context context = NewContext(key_);
    if (!context || EVP_PKEY_sign_init(context.get()) != 1
        || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1
        || EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha1()) != 1) {
        return false;
    }
    std::optional<Sha1Digest> digest = Sha1(data);
    if (!digest) {
        return false;
    }
    WipeOnExit wipeDigest(*digest);
    std::vector<uint8_t> out(Size());
    size_t length = out.size();
    if (EVP_PKEY_sign(context.get(), out.data(), &length, digest->data(), digest->size()) != 1) {
        return false;
    }
    out.resize(length);
    signature = std::move(out);
    return true;
}

bool RsaKey::Verify(std::span<const uint8_t> data, std::span<const uint8_t> signature) const
{
    const Context context = NewContext(key_);
    if (!context || EVP_PKEY_verify_init(context.get()) != 1
        || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1
        || EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha1()) != 1) {
        return false;
    }
    const std::optional<Sha1Digest> digest = Sha1(data);
    return digest
        && EVP_PKEY_verify(
               context.get(), signature.data(), signature.size(), digest->data(), digest->size())
        == 1;
}

} // namespace velkor
