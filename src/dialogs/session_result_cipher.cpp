#include "session_result_cipher.h"

#include <span>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"

namespace velkor {

int32_t EncipherResultForBank(std::u16string_view plain, const SessionKeyTexts& keys, Text& hex)
{
    hex.clear();
    Text cipher;
    WipeOnExit wipeCipher(cipher);
    int32_t length = static_cast<int32_t>(plain.size());
    int32_t status = 0;
    {
        ScopedEmbeddedKeys embedded;
        status = CDataProcess::SessionCipher(
            0, CDataProcess::kInputUtf16Le, length, plain, keys.hash, keys.encipheredKey, cipher);
    }
    if (status != 0) {
        return status;
    }
    const SecureBytes bytes = TextLow8(cipher);
    hex = CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
    return 0;
}

} // namespace velkor
