#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <openssl/crypto.h>

#include "common/secret_pages.h"

// Buffers that may hold keys, session keys, PINs, random numbers or typed characters. Their
// contents are wiped with OPENSSL_cleanse (which the optimiser cannot drop) when they are
// released, resized smaller or cleared.
namespace velkor {

inline void Wipe(void* data, size_t size)
{
    if (data != nullptr && size != 0) {
        OPENSSL_cleanse(data, size);
    }
}

template <typename T> inline void WipeString(std::basic_string<T>& text)
{
    // Wipe the whole allocation, including what a previous longer value left past the end.
    Wipe(text.data(), text.capacity() * sizeof(T));
    text.clear();
}

// A fixed-capacity byte buffer that never reallocates (so no copy of a secret is left behind in
// freed memory) and wipes itself on destruction. Its storage is kept out of core dumps and locked
// in memory where the system allows (secret_pages.h).
class SecureBytes {
public:
    SecureBytes() = default;
    explicit SecureBytes(size_t size)
        : bytes_(size, 0)
    {
    }
    SecureBytes(const uint8_t* data, size_t size)
        : bytes_(data, data + size)
    {
    }
    SecureBytes(const SecureBytes&) = default;
    SecureBytes& operator=(const SecureBytes& other)
    {
        if (this != &other) {
            Clear();
            bytes_ = other.bytes_;
        }
        return *this;
    }
    SecureBytes(SecureBytes&& other) noexcept
        : bytes_(std::move(other.bytes_))
    {
    }
    SecureBytes& operator=(SecureBytes&& other) noexcept
    {
        if (this != &other) {
            Clear();
            bytes_ = std::move(other.bytes_);
        }
        return *this;
    }
    ~SecureBytes() { Clear(); }

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    uint8_t& operator[](size_t i) { return bytes_[i]; }
    const uint8_t& operator[](size_t i) const { return bytes_[i]; }
    auto begin() { return bytes_.begin(); }
    auto end() { return bytes_.end(); }
    auto begin() const { return bytes_.begin(); }
    auto end() const { return bytes_.end(); }

    // Shrinks without reallocating; the dropped tail is wiped.
    void Truncate(size_t size)
    {
        if (size < bytes_.size()) {
            Wipe(bytes_.data() + size, bytes_.size() - size);
            bytes_.resize(size);
        }
    }
    void Clear()
    {
        Wipe(bytes_.data(), bytes_.capacity());
        bytes_.clear();
    }

private:
    std::vector<uint8_t, SecretPageAllocator<uint8_t>> bytes_;
};

// Wipes a plain buffer or string when the scope ends, on every way out.
template <typename T> class WipeOnExit {
public:
    explicit WipeOnExit(T& target)
        : target_(target)
    {
    }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;
    ~WipeOnExit()
    {
        if constexpr (requires { target_.capacity(); }) {
            Wipe(target_.data(), target_.capacity() * sizeof(*target_.data()));
            target_.clear();
        } else {
            Wipe(&target_, sizeof(T));
        }
    }

private:
    T& target_;
};

} // namespace velkor
