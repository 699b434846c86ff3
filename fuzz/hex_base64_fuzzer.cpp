// Hexadecimal and base64 decoding of page texts (UTF-16), with the round trips that must hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/data_process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velkor;
    Text text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);

    std::vector<uint8_t> bytes(text.size() / 2 + 1, 0);
    if (CDataProcess::HexToBytes(text.size(), text, bytes.data())) {
        for (const char16_t c : text) {
            if (c > 0x7F) {
                std::abort(); // a non-ASCII character was taken as a digit
            }
        }
        if (text.size() % 2 == 0 && !text.empty()) {
            Text back;
            CDataProcess::BytesToHex(text.size() / 2, bytes.data(), back);
            if (back.size() != text.size()) {
                std::abort();
            }
        }
    }

    const SecureBytes decoded = CDataProcess::Base64Decode(text);
    if (!decoded.empty()) {
        const SecureBytes again = CDataProcess::Base64Decode(
            CDataProcess::Base64EncodeToText(decoded.data(), decoded.size()));
        if (again.size() != decoded.size()
            || std::memcmp(again.data(), decoded.data(), decoded.size()) != 0) {
            std::abort();
        }
    }
    return 0;
}
