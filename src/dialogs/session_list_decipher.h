#pragma once

#include "common/text.h"
#include "dialogs/parameter_document.h"

namespace velkor {

// Deciphers enciphered list data (hexadecimal) under the session key whose texts the procedure
// handed to the dialog, opening the embedded key store for the call and wiping it after.
ListDecipher MakeSessionListDecipher(OptText sessionKeyHash, OptText encryptedSessionKey);

} // namespace velkor
