// Linked into the agent's executable only: every block the process frees is wiped first, so the
// copies of PINs and keys that pass through Qt's frame buffers, QString and QByteArray
// temporaries and JSON strings do not outlive their owners in freed memory.
//
// glibc's M_PERTURB is not enough: blocks up to 1032 bytes go to the per-thread cache (tcache)
// before the perturbation is applied, and those are exactly the small strings that hold a PIN.
// Defining free and realloc here interposes them for every library of the process, Qt and
// OpenSSL included; glibc's own __libc_* entry points do the allocation.
//
// Not built with AddressSanitizer, which brings its own allocator (and quarantine) in their place.

#include <malloc.h>
#include <string.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* memory);

void free(void* memory)
{
    if (memory != nullptr) {
        explicit_bzero(memory, malloc_usable_size(memory));
    }
    __libc_free(memory);
}

// glibc would move a growing block (and split a shrinking one) without wiping what it leaves.
void* realloc(void* memory, size_t size)
{
    if (memory == nullptr) {
        return __libc_malloc(size);
    }
    if (size == 0) {
        free(memory);
        return nullptr;
    }
    const size_t usable = malloc_usable_size(memory);
    if (size <= usable) {
        return memory;
    }
    void* moved = __libc_malloc(size);
    if (moved == nullptr) {
        return nullptr;
    }
    memcpy(moved, memory, usable);
    free(memory);
    return moved;
}

void* reallocarray(void* memory, size_t count, size_t size)
{
    size_t total = 0;
    if (__builtin_mul_overflow(count, size, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(memory, total);
}
}
