#include "crypto/keytool/key_set_writer.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include "common/secure_buffer.h"
#include "crypto/key_blob.h"

namespace velkor::keytool {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

constexpr size_t kFurtherMaxBytes = 255;

bool WriteFile(const std::filesystem::path& path, const void* data, size_t size, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

// Private keys and the store constant are readable by their owner only. The file is created
// afresh with that mode (an existing file is removed first: opening it would keep its old mode),
// so the secret is never on disk with wider permissions.
bool WriteSecretFile(
    const std::filesystem::path& path, const void* data, size_t size, std::string& error)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = "cannot replace " + path.string();
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot create " + path.string();
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != size || !closed) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

bool ReadFile(const std::filesystem::path& path, SecureBytes& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string();
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    bytes = SecureBytes(data.data(), data.size());
    Wipe(data.data(), data.size());
    return true;
}

Key ReadPem(const std::filesystem::path& path, bool wantPrivate, std::string& error)
{
    SecureBytes text;
    if (!ReadFile(path, text, error)) {
        return nullptr;
    }
    Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key && !wantPrivate) {
        bio.reset(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
        key.reset(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    }
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) {
        error = path.string() + ": no RSA " + (wantPrivate ? "private" : "public") + " key";
        return nullptr;
    }
    if (EVP_PKEY_get_bits(key.get()) > 1024) {
        error = path.string() + ": the control takes RSA keys of at most 1024 bits";
        return nullptr;
    }
    return key;
}

// PKCS #1 DER of the private or public half.
bool Der(EVP_PKEY* key, bool privateHalf, SecureBytes& der)
{
    unsigned char* out = nullptr;
    const int length = privateHalf ? i2d_PrivateKey(key, &out) : i2d_PublicKey(key, &out);
    if (length <= 0) {
        return false;
    }
    der = SecureBytes(out, static_cast<size_t>(length));
    OPENSSL_clear_free(out, static_cast<size_t>(length));
    return true;
}

bool WritePem(
    const std::filesystem::path& path, EVP_PKEY* key, bool privateHalf, std::string& error)
{
    Bio bio(BIO_new(BIO_s_mem()));
    const int written = privateHalf
        ? PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr)
        : PEM_write_bio_PUBKEY(bio.get(), key);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    if (written != 1 || size <= 0) {
        error = "cannot encode " + path.string();
        return false;
    }
    if (privateHalf) {
        const bool ok = WriteSecretFile(path, data, static_cast<size_t>(size), error);
        OPENSSL_cleanse(data, static_cast<size_t>(size));
        return ok;
    }
    return WriteFile(path, data, static_cast<size_t>(size), error);
}

bool WriteBlob(const std::filesystem::path& path,
    std::span<const uint8_t, keyblob::kConstantSize> constant, std::span<const uint8_t> plain,
    size_t capacity, std::string& error)
{
    // The working buffer also holds a terminating zero byte.
    if (plain.size() >= capacity) {
        error = path.filename().string() + ": content too long for its working buffer";
        return false;
    }
    std::vector<uint8_t> blob;
    if (!keyblob::Seal(constant, plain, blob)) {
        error = "cannot encipher " + path.string();
        return false;
    }
    return WriteFile(path, blob.data(), blob.size(), error);
}

bool WriteSet(EVP_PKEY* control, EVP_PKEY* host, std::span<const uint8_t> further1,
    std::span<const uint8_t> further2, const std::filesystem::path& directory, std::string& error)
{
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    uint8_t constant[keyblob::kConstantSize];
    WipeOnExit wipeConstant(constant);
    SecureBytes controlDer;
    SecureBytes hostDer;
    if (RAND_bytes(constant, sizeof constant) != 1 || !Der(control, true, controlDer)
        || !Der(host, false, hostDer)) {
        error = "cannot prepare the key material";
        return false;
    }
    return WriteSecretFile(directory / "store_constant.bin", constant, sizeof constant, error)
        && WriteBlob(directory / "control_private.blob", constant, controlDer, 1280, error)
        && WriteBlob(directory / "host_public.blob", constant, hostDer, 256, error)
        && WriteBlob(directory / "further1.blob", constant, further1, 256, error)
        && WriteBlob(directory / "further2.blob", constant, further2, 256, error)
        && WritePem(directory / "control_public.pem", control, false, error)
        && WritePem(directory / "host_public.pem", host, false, error);
}

bool ReadFurther(const std::filesystem::path& path, SecureBytes& bytes, std::string& error)
{
    if (path.empty()) {
        bytes.Clear();
        return true;
    }
    if (!ReadFile(path, bytes, error)) {
        return false;
    }
    if (bytes.size() > kFurtherMaxBytes) {
        error = path.string() + ": at most 255 bytes";
        return false;
    }
    return true;
}

} // namespace

bool GenerateKeySet(const std::filesystem::path& directory, bool overwrite, std::string& error)
{
    for (const char* name : { "control_private.pem", "host_private.pem" }) {
        std::error_code ignored;
        if (!overwrite && std::filesystem::exists(directory / name, ignored)) {
            error = (directory / name).string() + " exists; use --force to replace the key set";
            return false;
        }
    }
    Key control(EVP_RSA_gen(1024));
    Key host(EVP_RSA_gen(1024));
    if (!control || !host) {
        error = "RSA key generation failed";
        return false;
    }
    return WriteSet(control.get(), host.get(), {}, {}, directory, error)
        && WritePem(directory / "control_private.pem", control.get(), true, error)
        && WritePem(directory / "host_private.pem", host.get(), true, error);
}

bool SealKeySet(const std::filesystem::path& controlPrivatePem,
    const std::filesystem::path& hostPublicPem, const std::filesystem::path& further1,
    const std::filesystem::path& further2, const std::filesystem::path& directory,
    std::string& error)
{
    const Key control = ReadPem(controlPrivatePem, true, error);
    if (!control) {
        return false;
    }
    const Key host = ReadPem(hostPublicPem, false, error);
    if (!host) {
        return false;
    }
    SecureBytes firstFurther;
    SecureBytes secondFurther;
    return ReadFurther(further1, firstFurther, error) && ReadFurther(further2, secondFurther, error)
        && WriteSet(control.get(), host.get(), firstFurther, secondFurther, directory, error);
}

} // namespace velkor::keytool
