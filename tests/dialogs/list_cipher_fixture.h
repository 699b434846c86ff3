#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"
#include "dialogs/parameter_document.h"

namespace velkor::testing {

// Enciphers list data as the bank does and hands the dialogs' reader a decipher that counts its
// calls.
class ListCipherFixture {
public:
    ListCipherFixture();
    // Hexadecimal list content as a page passes it in an enciphered element.
    Text Encipher(std::u16string_view plain) const;
    ListDecipher Decipher();
    // What the dialog handed over enciphered, deciphered as the bank's host does; empty when it
    // does not decipher.
    Text Plain(std::u16string_view hex) const;
    // The session-key pair as the page passes it.
    const Text& KeyHash() const { return keyHash_; }
    const Text& EncryptedKey() const { return encryptedKey_; }

    int calls = 0;

private:
    Text encryptedKey_;
    Text keyHash_;
};

} // namespace velkor::testing
