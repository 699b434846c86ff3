#include "host/transferred_file.h"

#include <climits>
#include <vector>

#include <openssl/evp.h>

#include "crypto/data_process.h"

namespace velkor::host {

bool DecipherTransferredFile(
    std::span<const uint8_t> sessionKey, std::string_view base64, SecureBytes& contents)
{
    if ((sessionKey.size() != 8 && sessionKey.size() != 16 && sessionKey.size() != 24)
        || base64.empty() || base64.size() % 4 != 0
        || base64.size() > static_cast<size_t>(INT32_MAX)
        || base64.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=")
            != std::string_view::npos) {
        return false;
    }
    std::vector<uint8_t> cipher(base64.size() / 4 * 3);
    const int decoded = EVP_DecodeBlock(cipher.data(),
        reinterpret_cast<const unsigned char*>(base64.data()), static_cast<int>(base64.size()));
    if (decoded < 0) {
        return false;
    }
    // EVP_DecodeBlock counts the bytes the padding stands for as well.
    size_t length = static_cast<size_t>(decoded);
    for (size_t i = base64.size(); i > 0 && base64[i - 1] == '=' && length > 0; --i) {
        --length;
    }
    SecureBytes plain(length);
    static const uint8_t kZeroInitialValue[CDataProcess::kBlockSize] = {};
    if (CDataProcess::DesDecrypt(sessionKey.data(), static_cast<KeyForm>(sessionKey.size() / 8 - 1),
            &length, cipher.data(), plain.data(), ChainMode::CbcPadded, kZeroInitialValue)
        != 0) {
        return false;
    }
    plain.Truncate(length);
    contents = std::move(plain);
    return true;
}

bool DecipherTransferredFileName(
    std::span<const uint8_t> sessionKey, std::string_view base64, std::u16string& path)
{
    SecureBytes bytes;
    if (!DecipherTransferredFile(sessionKey, base64, bytes) || bytes.size() % 2 != 0) {
        return false;
    }
    path.assign(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < path.size(); ++i) {
        path[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return true;
}

} // namespace velkor::host
