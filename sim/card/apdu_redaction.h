#pragma once

#include <string>

#include "virtual_card.h"

// Diagnostics show APDUs as hexadecimal, but never the data of a command that carries a PIN
// (VERIFY, CHANGE REFERENCE DATA, RESET RETRY COUNTER, and the WRITE RECORD that stores the PIN
// record): those data bytes print as "**". The habit matters even in a simulator, because the
// same code runs behind real readers during development.
namespace velkor::sim {

bool CarriesPin(const Bytes& apdu);
std::string RedactedHex(const Bytes& apdu);

} // namespace velkor::sim
