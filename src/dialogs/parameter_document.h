#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "dialogs/document_profile.h"
#include "dialogs/item_list.h"
#include "dialogs/message_sink.h"

// Reading a dialog's parameter document into its settings and lists.
namespace velkor {

namespace parse_result {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kNoDocument = -1;
inline constexpr int32_t kNoMemory = -2;
inline constexpr int32_t kNoData = -3; // empty document, enciphered list empty or of wrong length
inline constexpr int32_t kDecipherFailed = -4;
} // namespace parse_result

// Deciphers the hexadecimal content of an enciphered list under the session key the procedure
// handed to the dialog. Returns 0 and the plain text, or a non-zero cipher status.
using ListDecipher = std::function<int32_t(std::u16string_view hexContent, Text& plain)>;

struct DocumentElement {
    Text name; // at most 63 characters
    char16_t type = u'0';
    char16_t ciph = u'0';
    int32_t check = 0;
    int32_t min = 0;
    int32_t defaultValue = 0; // selected item; TransOth: maximum length of the typed account
    bool available = false; // the element delivered data
    int32_t result = parse_result::kOk;
    Text content; // as the document carries it (still enciphered when ciph is not '0')
    ItemList items; // list elements
    Text preset; // preset elements (TransOth)

    bool Enciphered() const { return ciph != u'0'; }
};

struct ParameterDocument {
    std::optional<Text> caption;
    int32_t keyType = 0; // entry style 0 to 6
    int32_t timeoutSeconds = 180;
    std::optional<Text> countdownLabel; // the TimeOut text as the label shows it at once
    int32_t addComm = 0;
    int32_t foxShow = 0;
    int32_t select = 0;
    int32_t filter = 3;
    std::vector<Text> titles; // detail row captions, at most 24 characters each
    int32_t check = 0; // set by the last element read
    std::vector<DocumentElement> elements; // in document order

    ~ParameterDocument();
};

class ParameterDocumentReader {
public:
    // `decipher` may be empty when the dialog has no session key; enciphered lists then fail
    // as lists that do not decipher.
    ParameterDocumentReader(
        const DocumentProfile& profile, ListDecipher decipher, MessageSink& messages);

    // Reads `document` (missing when the page passed none) into `out`. Returns a parse_result.
    int32_t Parse(const OptText& document, ParameterDocument& out);

    // Deciphers an enciphered element's content again (for the dialog's OK processing); shows the
    // profile's failure message when it does not decipher. The caller wipes `plain`.
    int32_t DecipherContent(const DocumentElement& element, Text& plain);

private:
    void ReadTopLevelTag(std::u16string_view document, DocumentTag tag, ParameterDocument& out);
    int32_t ReadElement(std::u16string_view document, size_t index, ParameterDocument& out);
    int32_t LoadElementData(DocumentElement& element, size_t position);

    const DocumentProfile& profile_;
    ListDecipher decipher_;
    MessageSink& messages_;
};

} // namespace velkor
