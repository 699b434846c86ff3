#pragma once

#include <cstdint>

// How large a file the file transfer takes, and what that means for the answers that carry it.
// The whole enciphered file travels to the page as one text (GetRespData), so the bound keeps the
// agent's memory for one transfer to a few times this size instead of whatever a customer may
// pick; the agent's output bound and the demo bank's upload bound follow from it.
namespace velkor {

// Larger files are refused with a message to the customer.
inline constexpr uint64_t kFileTransferMaxBytes = uint64_t { 32 } << 20;

// Characters of the base64 text of `fileBytes` enciphered (CBC with padding: one to eight bytes
// added), which is also its size in bytes once sent as UTF-8.
constexpr uint64_t FileTransferBase64Length(uint64_t fileBytes)
{
    const uint64_t cipherBytes = (fileBytes / 8 + 1) * 8;
    return (cipherBytes + 2) / 3 * 4;
}

// The largest text answer the agent sends: the contents of the largest file, plus room for the
// JSON-RPC envelope around it.
inline constexpr uint64_t kLargestTextAnswerBytes
    = FileTransferBase64Length(kFileTransferMaxBytes) + (uint64_t { 64 } << 10);

} // namespace velkor
