#pragma once

#include <cstddef>
#include <cstdint>

// The raw block cipher under CDataProcess's modes: DES-EDE3 from OpenSSL's default provider in ECB
// or CBC without OpenSSL's padding. Single DES runs as K1=K2=K3 and two-key TDEA as K1 K2 K1, so
// no legacy provider is needed. Padding and error codes are the caller's.
namespace velkor::tdea {

// Expands an 8-, 16- or 24-byte key into the 24-byte K1 K2 K3 form.
void ExpandKey(const uint8_t* key, size_t keyLength, uint8_t (&expanded)[24]);

// Runs whole blocks (`length` a multiple of 8) through DES-EDE3 with the expanded key. `iv` null
// selects ECB, otherwise CBC from that initial value. `input` and `output` may coincide.
// Returns false only when OpenSSL fails.
bool Run(bool encrypt, const uint8_t (&key)[24], const uint8_t* iv, const uint8_t* input,
    uint8_t* output, size_t length);

} // namespace velkor::tdea
