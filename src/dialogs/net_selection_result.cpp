#include "dialogs/net_selection_result.h"

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"

namespace velkor::net_selection {

Text ResultFromItem(char16_t kind, std::u16string_view item)
{
    item = item.substr(0, kItemMaxChars);
    const size_t marker = item.find(u"%%");
    Text result(1, kind);
    result += u"||";
    if (marker != std::u16string_view::npos) {
        result += item.substr(marker + 2);
    }
    if (!result.ends_with(u"||")) {
        result += u"||";
    }
    if (result.size() > kResultMaxChars) {
        Wipe(result.data() + kResultMaxChars, (result.size() - kResultMaxChars) * sizeof(char16_t));
        result.resize(kResultMaxChars);
    }
    return result;
}

int32_t EncipherResult(std::u16string_view text, const SessionKeyTexts& keys, Text& hex)
{
    hex.clear();
    Text cipher;
    WipeOnExit<Text> wipeCipher(cipher);
    int32_t length = static_cast<int32_t>(text.size());
    int32_t status = 0;
    {
        ScopedEmbeddedKeys embedded;
        status = CDataProcess::SessionCipher(
            0, CDataProcess::kInputUtf16Le, length, text, keys.hash, keys.encipheredKey, cipher);
    }
    if (status != 0) {
        return status;
    }
    const SecureBytes bytes = TextLow8(cipher);
    hex = CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
    return 0;
}

} // namespace velkor::net_selection
