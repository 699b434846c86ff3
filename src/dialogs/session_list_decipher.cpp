#include "dialogs/session_list_decipher.h"

#include "crypto/data_process.h"
#include "crypto/key_store.h"

namespace velkor {

ListDecipher MakeSessionListDecipher(OptText sessionKeyHash, OptText encryptedSessionKey)
{
    return [hash = std::move(sessionKeyHash), key = std::move(encryptedSessionKey)](
               std::u16string_view hexContent, Text& plain) -> int32_t {
        ScopedEmbeddedKeys keys;
        int32_t length = static_cast<int32_t>(hexContent.size());
        const OptTextView hashView = hash ? OptTextView(*hash) : std::nullopt;
        const OptTextView keyView = key ? OptTextView(*key) : std::nullopt;
        return CDataProcess::SessionCipher(
            1, CDataProcess::kInputHex, length, hexContent, hashView, keyView, plain);
    };
}

} // namespace velkor
