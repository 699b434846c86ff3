#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>

#include "control/velkor_ctrl.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "host/bank_session.h"

// The control's cipher methods against the same work done with raw OpenSSL in the same run.
namespace {

using velkor::Text;

std::string ReadKeySetFile(const char* name)
{
    std::ifstream in(std::string(VELKOR_KEY_SET_DIR) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const Text kKey24 = u"0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";

void ControlDes(benchmark::State& state)
{
    velkor::CVelkorCtrl control;
    const velkor::OptText key = kKey24;
    const velkor::OptText data = Text(u"5468652071756663");
    for (auto _ : state) {
        benchmark::DoNotOptimize(control.DES(0, 24, key, data));
    }
}

void RawDes(benchmark::State& state)
{
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "DES-EDE3-ECB", nullptr);
    const uint8_t key[24] = { 1, 35, 69, 103, 137, 171, 205, 239, 35, 69, 103, 137, 171, 205, 239,
        1, 69, 103, 137, 171, 205, 239, 1, 35 };
    const uint8_t in[8] = { 'T', 'h', 'e', ' ', 'q', 'u', 'f', 'c' };
    uint8_t out[8];
    for (auto _ : state) {
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex2(context, cipher, key, nullptr, nullptr);
        EVP_CIPHER_CTX_set_padding(context, 0);
        int length = 0;
        EVP_EncryptUpdate(context, out, &length, in, 8);
        EVP_CIPHER_CTX_free(context);
        benchmark::DoNotOptimize(out);
    }
    EVP_CIPHER_free(cipher);
}

void ControlMac1024(benchmark::State& state)
{
    velkor::CVelkorCtrl control;
    const velkor::OptText key = kKey24;
    const velkor::OptText icv = Text(u"0000000000000000");
    const velkor::OptText data = Text(2048, u'A');
    for (auto _ : state) {
        benchmark::DoNotOptimize(control.MAC(24, key, icv, 1024, data));
    }
}

void RawMac1024(benchmark::State& state)
{
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr);
    uint8_t key[24] = {};
    const uint8_t iv[8] = {};
    uint8_t in[1024];
    std::fill(std::begin(in), std::end(in), 0xAA);
    uint8_t out[1024];
    for (auto _ : state) {
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex2(context, cipher, key, iv, nullptr);
        EVP_CIPHER_CTX_set_padding(context, 0);
        int length = 0;
        EVP_EncryptUpdate(context, out, &length, in, sizeof in);
        EVP_CIPHER_CTX_free(context);
        benchmark::DoNotOptimize(out[1016]);
    }
    EVP_CIPHER_free(cipher);
}

void ControlVerifyRn1(benchmark::State& state)
{
    const auto keys = velkor::host::HostKeys::FromPem(
        ReadKeySetFile("host_private.pem"), ReadKeySetFile("control_public.pem"));
    if (!keys) {
        state.SkipWithError("no host keys");
        return;
    }
    velkor::host::MutualAuthentication bank(*keys);
    velkor::host::Challenge challenge;
    bank.MakeChallenge(challenge);
    const velkor::OptText rn1(
        Text(challenge.pCpukEncryptedRN1.begin(), challenge.pCpukEncryptedRN1.end()));
    const velkor::OptText signature(
        Text(challenge.pSprkSignRN1.begin(), challenge.pSprkSignRN1.end()));
    velkor::CVelkorCtrl control;
    for (auto _ : state) {
        benchmark::DoNotOptimize(control.VerifyRN1andGenerateRN2(128, rn1, 128, signature));
    }
}

// The RSA work alone, on keys parsed once: private decrypt of RN1, sign RN2, encrypt RN2.
void RawVerifyRn1(benchmark::State& state)
{
    velkor::EmbeddedKeys::Load();
    const velkor::RsaKey control = velkor::RsaKey::FromPrivateDer(
        velkor::EmbeddedKeys::Contents(velkor::EmbeddedKeys::kControlPrivateKey));
    const velkor::RsaKey host = velkor::RsaKey::FromPublicDer(
        velkor::EmbeddedKeys::Contents(velkor::EmbeddedKeys::kHostPublicKey));
    velkor::EmbeddedKeys::Wipe();
    const uint8_t rn1[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    std::vector<uint8_t> encrypted;
    velkor::RsaKey controlPublic(nullptr);
    {
        const std::string pem = ReadKeySetFile("control_public.pem");
        BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
        controlPublic = velkor::RsaKey(PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr));
        BIO_free(bio);
    }
    controlPublic.PublicEncrypt(rn1, encrypted);
    for (auto _ : state) {
        velkor::SecureBytes message;
        std::vector<uint8_t> signature;
        std::vector<uint8_t> rn2Encrypted;
        uint8_t rn2[8];
        RAND_bytes(rn2, sizeof rn2);
        control.PrivateDecrypt(encrypted, message);
        control.Sign(rn2, signature);
        host.PublicEncrypt(rn2, rn2Encrypted);
        benchmark::DoNotOptimize(rn2Encrypted.data());
    }
}

// The same with the keys parsed from DER in each iteration, as a call that keeps no key material
// between calls must do (parsing plus OpenSSL's per-key precomputation dominate).
void RawVerifyRn1FreshKeys(benchmark::State& state)
{
    velkor::EmbeddedKeys::Load();
    const auto controlDer
        = velkor::EmbeddedKeys::Contents(velkor::EmbeddedKeys::kControlPrivateKey);
    const auto hostDer = velkor::EmbeddedKeys::Contents(velkor::EmbeddedKeys::kHostPublicKey);
    const std::vector<uint8_t> controlCopy(controlDer.begin(), controlDer.end());
    const std::vector<uint8_t> hostCopy(hostDer.begin(), hostDer.end());
    velkor::EmbeddedKeys::Wipe();
    const uint8_t rn1[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    std::vector<uint8_t> encrypted;
    velkor::RsaKey::FromPrivateDer(controlCopy).PublicEncrypt(rn1, encrypted);
    for (auto _ : state) {
        const velkor::RsaKey control = velkor::RsaKey::FromPrivateDer(controlCopy);
        const velkor::RsaKey host = velkor::RsaKey::FromPublicDer(hostCopy);
        velkor::SecureBytes message;
        std::vector<uint8_t> signature;
        std::vector<uint8_t> rn2Encrypted;
        uint8_t rn2[8];
        RAND_bytes(rn2, sizeof rn2);
        control.PrivateDecrypt(encrypted, message);
        control.Sign(rn2, signature);
        host.PublicEncrypt(rn2, rn2Encrypted);
        benchmark::DoNotOptimize(rn2Encrypted.data());
    }
}

} // namespace

BENCHMARK(RawDes);
BENCHMARK(ControlDes);
BENCHMARK(RawMac1024);
BENCHMARK(ControlMac1024);
BENCHMARK(RawVerifyRn1);
BENCHMARK(RawVerifyRn1FreshKeys);
BENCHMARK(ControlVerifyRn1);
BENCHMARK_MAIN();
