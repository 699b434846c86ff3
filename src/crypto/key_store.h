#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The embedded key store: four enciphered blobs carried in the program (the control's RSA private
// key, the host's RSA public key, and two further blobs no operation uses), deciphered into
// module-wide working buffers only while one call performs its RSA operations, and wiped right
// after, on every path. Page thread only; no locking.
namespace velkor {

// The key set compiled into the program (generated from the set VELKOR_KEY_SET selects).
struct EmbeddedKeySet {
    std::span<const uint8_t, 8> constant;
    std::span<const uint8_t> controlPrivateKey;
    std::span<const uint8_t> hostPublicKey;
    std::span<const uint8_t> further1;
    std::span<const uint8_t> further2;
};
const EmbeddedKeySet& BuiltInKeySet();
// Whether the build embeds the demo key set, whose private keys are public.
bool BuiltInKeySetIsDemo();

class EmbeddedKeys {
public:
    enum Buffer { kControlPrivateKey = 0, kHostPublicKey = 1, kFurther1 = 2, kFurther2 = 3 };
    static constexpr size_t kBufferCount = 4;
    static constexpr size_t kBufferSizes[kBufferCount] = { 1280, 256, 256, 256 };

    // Deciphers every blob into its buffer; on any failure all buffers are wiped and false
    // returned.
    static bool Load();
    static void Wipe();

    // The deciphered DER of a buffer (empty when not loaded).
    static std::span<const uint8_t> Contents(Buffer buffer);
    // The whole working buffer, for tests that check it has been wiped.
    static std::span<const uint8_t> WorkingBufferForTesting(Buffer buffer);

    // Replaces the built-in key set (tests of malformed blobs); null restores it.
    static void UseKeySetForTesting(const EmbeddedKeySet* keySet);
};

// Opens the key store for one scope and wipes it on every way out. Scopes nest: an operation that
// opens the store itself may run inside a caller's scope, and only the outermost scope loads and
// wipes, so the inner one does not take the keys away from the outer.
class ScopedEmbeddedKeys {
public:
    ScopedEmbeddedKeys();
    ~ScopedEmbeddedKeys() { Close(); }
    ScopedEmbeddedKeys(const ScopedEmbeddedKeys&) = delete;
    ScopedEmbeddedKeys& operator=(const ScopedEmbeddedKeys&) = delete;

    bool Loaded() const { return loaded_; }
    // Ends the scope early (the outermost one wipes the store now); the destructor then does
    // nothing.
    void Close();

private:
    bool loaded_;
    bool open_ = true;
};

} // namespace velkor
