#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The form in which key material is carried in the program: a 4-byte big-endian length n, then n
// bytes of ciphertext (two-key TDEA, CBC with padding, zero initial value). The 16-byte key is
// derived at each use from an 8-byte constant N (a 64-bit big-endian number): N rotated right by
// one bit, then N rotated left by one bit.
namespace velkor::keyblob {

inline constexpr size_t kConstantSize = 8;
inline constexpr size_t kLengthPrefix = 4;

void DeriveStoreKey(std::span<const uint8_t, kConstantSize> constant, uint8_t (&key)[16]);

// Enciphers `plain` into a blob (the key tool's side).
bool Seal(std::span<const uint8_t, kConstantSize> constant, std::span<const uint8_t> plain,
    std::vector<uint8_t>& blob);

// Deciphers `blob` into `buffer` and terminates the plain text with a zero byte. Returns the plain
// length, or nothing (buffer wiped) when the blob is malformed, does not decipher, or its plain
// text and terminator do not fit the buffer.
std::optional<size_t> Open(std::span<const uint8_t, kConstantSize> constant,
    std::span<const uint8_t> blob, std::span<uint8_t> buffer);

} // namespace velkor::keyblob
