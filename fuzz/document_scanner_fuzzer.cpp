// The parameter document a page passes to a dialog method, read the way each kind of dialog
// reads it. The first byte picks the dialog kind; the rest is the document's UTF-16 text.
#include <cstdint>
#include <cstring>
#include <string>

#include "dialogs/document_profile.h"
#include "dialogs/message_sink.h"
#include "dialogs/parameter_document.h"

namespace {

class DiscardingSink final : public velkor::MessageSink {
public:
    void ShowMessage(const velkor::Text&, const velkor::Text&) override { }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velkor;
    if (size < 1) {
        return 0;
    }
    constexpr DialogKind kKinds[] = { DialogKind::kTransSet, DialogKind::kTransSetNet,
        DialogKind::kTransDeal, DialogKind::kTransCom, DialogKind::kTransOth };
    const DialogKind kind = kKinds[data[0] % std::size(kKinds)];
    Text document((size - 1) / 2, u'\0');
    std::memcpy(document.data(), data + 1, document.size() * 2);

    DiscardingSink messages;
    // Enciphered lists "decipher" to their own hexadecimal text, so their content is read too;
    // an odd-length one fails as a list that does not decipher.
    ListDecipher decipher = [](std::u16string_view hex, Text& plain) -> int32_t {
        if (hex.size() % 2 != 0) {
            return 1;
        }
        plain.assign(hex);
        return 0;
    };
    ParameterDocumentReader reader(ProfileFor(kind), decipher, messages);
    ParameterDocument parsed;
    reader.Parse(document, parsed);
    for (const DocumentElement& element : parsed.elements) {
        if (element.Enciphered()) {
            Text plain;
            reader.DecipherContent(element, plain);
        }
    }
    return 0;
}
