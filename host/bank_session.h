#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/secure_buffer.h"

// The bank's side of the exchange with the control (velkor_host).
//
// 1. Mutual authentication. The host draws RN1 (8 bytes), enciphers it to the control's public key
//    (RSAES-PKCS1-v1_5) and signs it with its own private key (RSASSA-PKCS1-v1_5, SHA-1):
//    MakeChallenge. The page passes both to VerifyRN1andGenerateRN2(RN1Len, pCpukEncryptedRN1,
//    DsigLen, pSprkSignRN1) and sends back GetEncryptRN2 (RN2 enciphered to the host),
//    GetEncryptHashRN2 (the control's signature over RN2) and GetSessionKeyHash
//    (SHA-1(RN1 || RN2)): CheckAnswer verifies all three.
// 2. Session key. The host gives the page the pair pCpukEncSessionKey (the key enciphered to the
//    control, hexadecimal) and pSessionKeyHash (SHA-1 of the key, hexadecimal): IssueSessionKey.
//    The page passes the pair to every session-key method; the control opens it afresh each call.
// 3. Data under the session key:
//    - DESEncipher/DESDecipher: CBC with padding, zero initial value, the key form of the key's
//      length (8 bytes single DES, 16 two-key, 24 three-key TDEA); data in hexadecimal:
//      EncipherForControl / DecipherFromControl.
//    - the dialogs' data ("Ciph" lists in, chosen accounts out): two-key TDEA with the first 16
//      bytes of the key (an 8-byte key followed by 8 zero bytes), zero initial value, CBC with
//      padding: EncipherListData gives the hexadecimal list text a dialog deciphers;
//      DecipherDialogResult opens what GetEncImportAccount / GetEncCommAcc return.
// Hexadecimal texts are upper case; all keys are RSA of up to 1024 bits.
namespace velkor::host {

// The host's private key and the control's public key, from PEM text (PKCS #8 or traditional
// private key, which may be encrypted under `passphrase`; SubjectPublicKeyInfo public key). Never
// asks for a passphrase on a terminal: an encrypted key without one is refused. On failure
// `error` (when given) says why. Copies share the same keys.
class HostKeys {
public:
    static std::optional<HostKeys> FromPem(std::string_view hostPrivatePem,
        std::string_view controlPublicPem, std::string_view passphrase = {},
        std::string* error = nullptr);
    HostKeys(const HostKeys&) = default;
    HostKeys& operator=(const HostKeys&) = default;
    HostKeys(HostKeys&&) noexcept = default;
    HostKeys& operator=(HostKeys&&) noexcept = default;
    ~HostKeys();

    struct Impl;
    const Impl& impl() const { return *impl_; }

private:
    explicit HostKeys(std::shared_ptr<const Impl> impl);
    std::shared_ptr<const Impl> impl_;
};

// The four arguments of VerifyRN1andGenerateRN2.
struct Challenge {
    int32_t RN1Len = 0;
    std::string pCpukEncryptedRN1;
    int32_t DsigLen = 0;
    std::string pSprkSignRN1;
};

enum class AnswerCheck {
    Accepted,
    NoChallenge, // MakeChallenge was not called (or failed)
    Rn2Undecipherable, // GetEncryptRN2 does not decipher to 8 bytes under the host key
    Rn2SignatureInvalid, // GetEncryptHashRN2 is not the control's signature over RN2
    HashMismatch, // GetSessionKeyHash is not SHA-1(RN1 || RN2)
};

// One authentication run; keeps the keys it was given (shared) and RN1 between the challenge and
// the answer. A challenge is answered once: CheckAnswer wipes RN1 whatever the outcome, and a
// further answer gets NoChallenge until the next MakeChallenge.
class MutualAuthentication {
public:
    explicit MutualAuthentication(HostKeys keys);
    ~MutualAuthentication();

    bool MakeChallenge(Challenge& challenge);
    AnswerCheck CheckAnswer(std::string_view encryptedRn2Hex, std::string_view rn2SignatureHex,
        std::string_view sessionKeyHashHex);

private:
    HostKeys keys_;
    SecureBytes rn1_;
};

// The pair a page passes to the session-key methods.
struct SessionKeyPair {
    std::string pCpukEncSessionKey;
    std::string pSessionKeyHash;
};

// A fresh 16-byte session key (odd parity, no zero byte).
SecureBytes NewSessionKey();
// The key must be 8, 16 or 24 bytes.
bool IssueSessionKey(
    const HostKeys& keys, std::span<const uint8_t> sessionKey, SessionKeyPair& pair);

// DESEncipher/DESDecipher counterparts (`data` and results as bytes, texts hexadecimal).
bool EncipherForControl(
    std::span<const uint8_t> sessionKey, std::span<const uint8_t> data, std::string& hex);
bool DecipherFromControl(
    std::span<const uint8_t> sessionKey, std::string_view hex, SecureBytes& data);

// A list text for a dialog's enciphered ("Ciph") element: the text's UTF-16LE bytes enciphered,
// in hexadecimal (a multiple of 16 digits).
bool EncipherListData(
    std::span<const uint8_t> sessionKey, std::u16string_view text, std::string& hex);
// A dialog result as GetEncImportAccount / GetEncCommAcc return it, back to its text.
bool DecipherDialogResult(
    std::span<const uint8_t> sessionKey, std::string_view hex, std::u16string& text);

} // namespace velkor::host
