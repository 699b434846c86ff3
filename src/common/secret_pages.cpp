#include "common/secret_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <openssl/crypto.h>

namespace velkor {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOrdinaryHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOrdinaryHeap = true;
#else
constexpr bool kOrdinaryHeap = false;
#endif
#else
constexpr bool kOrdinaryHeap = false;
#endif

size_t PageRounded(size_t bytes)
{
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

void* AllocateSecretPages(size_t bytes)
{
    if (bytes == 0) {
        bytes = 1;
    }
    if constexpr (kOrdinaryHeap) {
        return ::operator new(bytes);
    }
    const size_t length = PageRounded(bytes);
    void* memory
        = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    madvise(memory, length, MADV_DONTDUMP);
    mlock(memory, length); // soft: see the header
    return memory;
}

void FreeSecretPages(void* memory, size_t bytes) noexcept
{
    if (memory == nullptr) {
        return;
    }
    if (bytes == 0) {
        bytes = 1;
    }
    if constexpr (kOrdinaryHeap) {
        OPENSSL_cleanse(memory, bytes);
        ::operator delete(memory);
        return;
    }
    const size_t length = PageRounded(bytes);
    OPENSSL_cleanse(memory, length);
    munlock(memory, length);
    munmap(memory, length);
}

} // namespace velkor
