#include "net_selection_result.h"

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

} // namespace velkor::net_selection
