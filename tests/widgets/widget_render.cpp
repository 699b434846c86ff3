#include "widget_render.h"

#include "crypto/data_process.h"

namespace velkor::testing {

Text ProtectedForDisplay(std::u16string_view text, int32_t offset)
{
    return CDataProcess::ProtectTextForDisplay(text, offset);
}

} // namespace velkor::testing
