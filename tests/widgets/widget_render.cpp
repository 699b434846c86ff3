#include "widget_render.h"

#include "crypto/data_process.h"

namespace velkor::testing {

Text ProtectedForDisplay(std::u16string_view text, int32_t offset)
{
    SecureBytes bytes(2 * text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    Text protectedText;
    CDataProcess::ProtectForDisplay(
        static_cast<int32_t>(bytes.size()), bytes.data(), offset, protectedText);
    return protectedText;
}

} // namespace velkor::testing
