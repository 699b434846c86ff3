#pragma once

#include <filesystem>
#include <string>

// Writes a key set directory for the build to embed (CMake option VELKOR_KEY_SET):
//   store_constant.bin                 the 8-byte constant the key-store key is derived from
//   control_private.blob, host_public.blob, further1.blob, further2.blob
//                                      the enciphered blobs (DER PKCS #1 inside)
//   control_public.pem, host_public.pem
//                                      public halves, for the bank's side of the exchange
// A generated set also gets control_private.pem and host_private.pem: keep them out of version
// control (only the demo set carries its private keys in the repository).
namespace velkor::keytool {

// Generates fresh RSA-1024 pairs for the control and the host and writes a complete set. Refuses
// a directory that already holds private keys unless `overwrite`. The private keys and the store
// constant are created readable by their owner only.
bool GenerateKeySet(const std::filesystem::path& directory, bool overwrite, std::string& error);

// Builds the set from existing keys: the control's private key and the host's public key (PEM;
// a host private key is accepted too, only its public half is used). `further1`/`further2` name
// files whose bytes (at most 255) go into the two further blobs; empty paths leave them empty.
bool SealKeySet(const std::filesystem::path& controlPrivatePem,
    const std::filesystem::path& hostPublicPem, const std::filesystem::path& further1,
    const std::filesystem::path& further2, const std::filesystem::path& directory,
    std::string& error);

} // namespace velkor::keytool
