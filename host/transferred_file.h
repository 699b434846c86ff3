#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/secure_buffer.h"

// The bank's side of the file transfer (FileTransfer): the contents (GetRespData) and the path
// (GetEncFileName) arrive as base64 of their encipherment under the session key, in the key's own
// form (8 bytes single DES, 16 two-key, 24 three-key TDEA), CBC with padding, zero initial value.
namespace velkor::host {

// The file's bytes. False for a text that is not base64 of whole cipher blocks or does not
// decipher under `sessionKey`.
bool DecipherTransferredFile(
    std::span<const uint8_t> sessionKey, std::string_view base64, SecureBytes& contents);
// The path as the customer's system named it (its UTF-16LE bytes were enciphered).
bool DecipherTransferredFileName(
    std::span<const uint8_t> sessionKey, std::string_view base64, std::u16string& path);

} // namespace velkor::host
