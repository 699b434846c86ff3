#pragma once

#include <cstddef>
#include <new>

// Memory for secrets: whole pages of their own, kept out of core dumps (MADV_DONTDUMP) and locked
// in RAM so that they never reach swap. Locking fails softly (an unprivileged process may lock
// only RLIMIT_MEMLOCK bytes): the pages then stay out of dumps and are still wiped when freed.
// Builds with AddressSanitizer use the ordinary heap instead, so that its bounds checks keep
// covering these buffers (a page of its own would hide an overrun up to the page's end).
namespace velkor {

void* AllocateSecretPages(size_t bytes);
// Wipes and returns what AllocateSecretPages gave for the same `bytes`.
void FreeSecretPages(void* memory, size_t bytes) noexcept;

template <typename T> struct SecretPageAllocator {
    using value_type = T;
    SecretPageAllocator() = default;
    template <typename U> SecretPageAllocator(const SecretPageAllocator<U>&) noexcept { }
    T* allocate(size_t count) { return static_cast<T*>(AllocateSecretPages(count * sizeof(T))); }
    void deallocate(T* memory, size_t count) noexcept
    {
        FreeSecretPages(memory, count * sizeof(T));
    }
    template <typename U> bool operator==(const SecretPageAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace velkor
