#include "crypto/key_store.h"

#include <array>
#include <new>
#include <optional>

#include "common/secret_pages.h"
#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_blob.h"

namespace velkor {

namespace {

struct WorkingBuffers {
    uint8_t controlPrivateKey[EmbeddedKeys::kBufferSizes[0]];
    uint8_t hostPublicKey[EmbeddedKeys::kBufferSizes[1]];
    uint8_t further1[EmbeddedKeys::kBufferSizes[2]];
    uint8_t further2[EmbeddedKeys::kBufferSizes[3]];
    std::array<size_t, EmbeddedKeys::kBufferCount> lengths;
};

// On pages of their own, kept out of core dumps and locked in memory (the control's private key
// is opened here); allocated once and never freed.
WorkingBuffers& Buffers()
{
    static WorkingBuffers* buffers
        = new (AllocateSecretPages(sizeof(WorkingBuffers))) WorkingBuffers {};
    return *buffers;
}
const EmbeddedKeySet* g_testKeySet = nullptr;
// Open ScopedEmbeddedKeys scopes, and whether the outermost one loaded the store.
int g_scopeDepth = 0;
bool g_scopeLoaded = false;

std::span<uint8_t> BufferOf(EmbeddedKeys::Buffer buffer)
{
    switch (buffer) {
    case EmbeddedKeys::kControlPrivateKey:
        return Buffers().controlPrivateKey;
    case EmbeddedKeys::kHostPublicKey:
        return Buffers().hostPublicKey;
    case EmbeddedKeys::kFurther1:
        return Buffers().further1;
    case EmbeddedKeys::kFurther2:
        return Buffers().further2;
    }
    return {};
}

} // namespace

bool EmbeddedKeys::Load()
{
    const EmbeddedKeySet& set = g_testKeySet != nullptr ? *g_testKeySet : BuiltInKeySet();
    const std::span<const uint8_t> blobs[kBufferCount]
        = { set.controlPrivateKey, set.hostPublicKey, set.further1, set.further2 };
    for (size_t i = 0; i < kBufferCount; ++i) {
        const auto length = keyblob::Open(set.constant, blobs[i], BufferOf(static_cast<Buffer>(i)));
        if (!length) {
            Wipe();
            return false;
        }
        Buffers().lengths[i] = *length;
    }
    return true;
}

void EmbeddedKeys::Wipe()
{
    velkor::Wipe(&Buffers(), sizeof(WorkingBuffers));
}

std::span<const uint8_t> EmbeddedKeys::Contents(Buffer buffer)
{
    return BufferOf(buffer).first(Buffers().lengths[buffer]);
}

std::span<const uint8_t> EmbeddedKeys::WorkingBufferForTesting(Buffer buffer)
{
    return BufferOf(buffer);
}

void EmbeddedKeys::UseKeySetForTesting(const EmbeddedKeySet* keySet)
{
    g_testKeySet = keySet;
}

ScopedEmbeddedKeys::ScopedEmbeddedKeys()
{
    if (g_scopeDepth++ == 0) {
        g_scopeLoaded = EmbeddedKeys::Load();
    }
    loaded_ = g_scopeLoaded;
}

void ScopedEmbeddedKeys::Close()
{
    if (!open_) {
        return;
    }
    open_ = false;
    if (--g_scopeDepth == 0) {
        g_scopeLoaded = false;
        EmbeddedKeys::Wipe();
    }
}

bool CDataProcess::LoadEmbeddedKeys()
{
    return EmbeddedKeys::Load();
}

void CDataProcess::WipeEmbeddedKeys()
{
    EmbeddedKeys::Wipe();
}

} // namespace velkor
