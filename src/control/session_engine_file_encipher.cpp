#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <openssl/evp.h>

#include "common/status_codes.h"
#include "control/session_engine.h"
#include "crypto/tdea_cipher.h"
#include "session_work_area.h"

namespace velkor {

namespace {

// Plain bytes read and enciphered per step: a multiple of the cipher block and of base64's three
// bytes, so each step's cipher bytes encode without a remainder.
constexpr size_t kChunkBytes = 48 << 10;

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

uint64_t CipherLength(uint64_t plainBytes)
{
    return (plainBytes / CDataProcess::kBlockSize + 1) * CDataProcess::kBlockSize;
}

uint64_t OutputLength(uint64_t cipherBytes, int32_t form)
{
    switch (form) {
    case SessionEngine::kFileOutputHex:
        return 2 * cipherBytes;
    case SessionEngine::kFileOutputBase64:
        return (cipherBytes + 2) / 3 * 4;
    default:
        return cipherBytes;
    }
}

// Writes cipher bytes into a text sized beforehand, in one of the output forms. Base64 keeps up to
// two bytes between calls so the pieces encode as one text.
class CipherTextWriter {
public:
    CipherTextWriter(char16_t* out, int32_t form)
        : out_(out)
        , form_(form)
    {
    }

    void Put(const uint8_t* bytes, size_t count)
    {
        switch (form_) {
        case SessionEngine::kFileOutputHex:
            for (size_t i = 0; i < count; ++i) {
                *out_++ = kHexDigits[bytes[i] >> 4];
                *out_++ = kHexDigits[bytes[i] & 0xF];
            }
            return;
        case SessionEngine::kFileOutputBase64:
            PutBase64(bytes, count);
            return;
        default:
            for (size_t i = 0; i < count; ++i) {
                *out_++ = bytes[i];
            }
        }
    }

    void Finish()
    {
        if (form_ != SessionEngine::kFileOutputBase64 || pendingCount_ == 0) {
            return;
        }
        const uint32_t group
            = (uint32_t { pending_[0] } << 16) | (pendingCount_ == 2 ? pending_[1] << 8 : 0);
        *out_++ = kBase64[group >> 18];
        *out_++ = kBase64[(group >> 12) & 0x3F];
        *out_++ = pendingCount_ == 2 ? kBase64[(group >> 6) & 0x3F] : u'=';
        *out_++ = u'=';
        pendingCount_ = 0;
    }

    const char16_t* End() const { return out_; }

private:
    static constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
    static constexpr char16_t kBase64[]
        = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

    void PutBase64(const uint8_t* bytes, size_t count)
    {
        while (pendingCount_ != 0 && pendingCount_ < 3 && count != 0) {
            pending_[pendingCount_++] = *bytes++;
            --count;
        }
        if (pendingCount_ == 3) {
            PutGroup(pending_);
            pendingCount_ = 0;
        }
        for (; count >= 3; bytes += 3, count -= 3) {
            PutGroup(bytes);
        }
        while (count != 0) {
            pending_[pendingCount_++] = *bytes++;
            --count;
        }
    }

    void PutGroup(const uint8_t* three)
    {
        const uint32_t group = (uint32_t { three[0] } << 16) | (three[1] << 8) | three[2];
        out_[0] = kBase64[group >> 18];
        out_[1] = kBase64[(group >> 12) & 0x3F];
        out_[2] = kBase64[(group >> 6) & 0x3F];
        out_[3] = kBase64[group & 0x3F];
        out_ += 4;
    }

    char16_t* out_;
    int32_t form_;
    uint8_t pending_[3] = {};
    size_t pendingCount_ = 0;
};

} // namespace

int32_t SessionEngine::FileEncipher(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, uint64_t byteCount, const ByteReader& read, Text& output,
    int32_t form) const
{
    if (!sessionKeyHashHex || !encryptedSessionKey || !read) {
        return status::kMissingArgument;
    }
    SessionWorkArea& area = TheSessionWorkArea();
    WipeOnExit wipeArea(area);
    KeyForm keyForm = KeyForm::SingleDes;
    if (const int32_t opened
        = SessionKeyOpen(*encryptedSessionKey, *sessionKeyHashHex, area.sessionKey, keyForm)) {
        return opened;
    }
    // Until the new text is complete the previous one stays; a failure from here on empties it,
    // except a failed read, which leaves it as it was (the customer's file was not taken).
    const auto fail = [&output](int32_t failure) {
        if (failure != kFileReadFailed) {
            WipeString(output);
        }
        return failure;
    };

    const uint64_t outputLength = OutputLength(CipherLength(byteCount), form);
    Text text;
    std::unique_ptr<uint8_t[]> cipher;
    SecureBytes plain;
    try {
        text.resize(static_cast<size_t>(outputLength));
        cipher.reset(new uint8_t[kChunkBytes + CDataProcess::kBlockSize]);
        plain = SecureBytes(static_cast<size_t>(std::min<uint64_t>(byteCount, kChunkBytes)));
    } catch (const std::bad_alloc&) {
        return fail(status::kBufferNotAllocated);
    } catch (const std::length_error&) {
        return fail(status::kBufferNotAllocated);
    }

    // Single DES and two-key TDEA run as three-key TDEA with repeated key parts, as everywhere in
    // the control; the expanded key lives in the work area's wiped storage only.
    uint8_t expanded[24];
    WipeOnExit wipeExpanded(expanded);
    tdea::ExpandKey(area.sessionKey, KeyLength(keyForm), expanded);
    static const uint8_t kZeroInitialValue[CDataProcess::kBlockSize] = {};
    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context
        || EVP_EncryptInit_ex2(
               context.get(), EVP_des_ede3_cbc(), expanded, kZeroInitialValue, nullptr)
            != 1) {
        return fail(status::kSessionDesFailed);
    }

    CipherTextWriter writer(text.data(), form);
    for (uint64_t remaining = byteCount; remaining != 0;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(remaining, kChunkBytes));
        if (!read(plain.data(), count)) {
            return fail(kFileReadFailed);
        }
        int written = 0;
        if (EVP_EncryptUpdate(
                context.get(), cipher.get(), &written, plain.data(), static_cast<int>(count))
            != 1) {
            return fail(status::kSessionDesFailed);
        }
        writer.Put(cipher.get(), static_cast<size_t>(written));
        remaining -= count;
    }
    int written = 0;
    if (EVP_EncryptFinal_ex(context.get(), cipher.get(), &written) != 1) {
        return fail(status::kSessionDesFailed);
    }
    writer.Put(cipher.get(), static_cast<size_t>(written));
    writer.Finish();
    if (writer.End() != text.data() + text.size()) {
        return fail(status::kSessionDesFailed);
    }
    output.swap(text);
    WipeString(text);
    return status::kOk;
}

int32_t SessionEngine::FileEncipher(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, size_t byteCount, const uint8_t* bytes, Text& output,
    int32_t form) const
{
    ByteReader read;
    if (bytes != nullptr) {
        read = [next = bytes](uint8_t* buffer, size_t count) mutable {
            std::memcpy(buffer, next, count);
            next += count;
            return true;
        };
    }
    return FileEncipher(sessionKeyHashHex, encryptedSessionKey, byteCount, read, output, form);
}

} // namespace velkor
