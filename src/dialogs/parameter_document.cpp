#include "dialogs/parameter_document.h"

#include <algorithm>
#include <new>

#include "common/secure_buffer.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/document_scanner.h"

namespace velkor {

namespace {

constexpr std::u16string_view kElementOpen = u"<AtmNode";
constexpr std::u16string_view kElementEnd = u"</AtmNode>";
constexpr std::u16string_view kTitleCount = u"<Title";
constexpr std::u16string_view kTitleStart = u"<Title>";
constexpr std::u16string_view kTitleEnd = u"</Title>";
constexpr size_t kNameChars = 63;
constexpr size_t kTitleChars = 24;
constexpr size_t kPresetChars = 128;
constexpr int32_t kEntryStyles = 7;

char16_t FirstOr(const Text& text, char16_t fallback)
{
    return text.empty() ? fallback : text[0];
}

} // namespace

ParameterDocument::~ParameterDocument()
{
    for (DocumentElement& element : elements) {
        WipeString(element.preset);
    }
}

ParameterDocumentReader::ParameterDocumentReader(
    const DocumentProfile& profile, ListDecipher decipher, MessageSink& messages)
    : profile_(profile)
    , decipher_(std::move(decipher))
    , messages_(messages)
{
}

int32_t ParameterDocumentReader::Parse(const OptText& document, ParameterDocument& out)
{
    if (!document) {
        messages_.ShowMessage(dialog_text::kCheckXmlData, kBankCaption);
        return parse_result::kNoDocument;
    }
    const std::u16string_view text = scanner::UpToNul(*document);
    if (text.empty()) {
        messages_.ShowMessage(dialog_text::kCheckXmlData, kBankCaption);
        return parse_result::kNoData;
    }
    for (const DocumentTag tag : profile_.tags) {
        ReadTopLevelTag(text, tag, out);
    }
    if (profile_.titleMaximum > 0) {
        const size_t titles
            = std::min(scanner::CountElements(text, kTitleCount), profile_.titleMaximum);
        for (size_t i = 0; i < titles; ++i) {
            auto title
                = scanner::ReadTagOccurrence(text, kTitleStart, kTitleEnd, i, profile_.tagCapacity);
            out.titles.push_back(title ? title->substr(0, kTitleChars) : Text());
        }
    }
    const size_t count
        = std::min(scanner::CountElements(text, kElementOpen), profile_.elementMaximum);
    for (size_t i = 0; i < count; ++i) {
        const int32_t result = ReadElement(text, i, out);
        if (result != parse_result::kOk && !profile_.skipFailedElements) {
            return result;
        }
    }
    return parse_result::kOk;
}

void ParameterDocumentReader::ReadTopLevelTag(
    std::u16string_view document, DocumentTag tag, ParameterDocument& out)
{
    const auto value
        = scanner::ReadTag(document, StartTagOf(tag), EndTagOf(tag), profile_.tagCapacity);
    if (!value) {
        return;
    }
    const int32_t number = scanner::ToInteger(*value);
    switch (tag) {
    case DocumentTag::kCaption:
        out.caption = *value;
        break;
    case DocumentTag::kKeyType:
        // Styles outside the table fall back to the random keypad.
        out.keyType = (number >= 0 && number < kEntryStyles) ? number : 0;
        break;
    case DocumentTag::kTimeOut:
        out.timeoutSeconds = number;
        out.countdownLabel = *value + profile_.countdownSuffix;
        break;
    case DocumentTag::kAddComm:
        out.addComm = number;
        break;
    case DocumentTag::kFoxShow:
        out.foxShow = number;
        break;
    case DocumentTag::kSelect:
        out.select = number;
        break;
    case DocumentTag::kFilter:
        out.filter = number;
        break;
    }
}

int32_t ParameterDocumentReader::ReadElement(
    std::u16string_view document, size_t index, ParameterDocument& out)
{
    const auto elementText = scanner::ReadElementText(document, kElementOpen, kElementEnd, index);
    if (!elementText) {
        // An element that is not closed is ignored; its place stays, empty and unavailable.
        out.elements.emplace_back();
        return parse_result::kOk;
    }
    try {
        DocumentElement element;
        for (const ElementAttribute attribute : profile_.attributes) {
            const Text value = scanner::ReadAttribute(
                *elementText, AttributeNameOf(attribute), profile_.attributeCapacity);
            switch (attribute) {
            case ElementAttribute::kName:
                element.name = value.substr(0, kNameChars);
                break;
            case ElementAttribute::kType:
                element.type = FirstOr(value, u'0');
                break;
            case ElementAttribute::kCiph:
                element.ciph = FirstOr(value, u'0');
                break;
            case ElementAttribute::kCheck:
                element.check = scanner::ToInteger(value);
                out.check = element.check;
                break;
            case ElementAttribute::kMin:
                element.min = scanner::ToInteger(value);
                break;
            case ElementAttribute::kDefault:
                element.defaultValue = scanner::ToInteger(value);
                break;
            }
        }
        element.content = scanner::ReadContent(*elementText, kElementEnd);
        element.result = LoadElementData(element, out.elements.size());
        const int32_t result = element.result;
        out.elements.push_back(std::move(element));
        return result;
    } catch (const std::bad_alloc&) {
        messages_.ShowMessage(dialog_text::kCannotAllocate, kBankCaption);
        out.elements.emplace_back();
        out.elements.back().result = parse_result::kNoMemory;
        return parse_result::kNoMemory;
    }
}

int32_t ParameterDocumentReader::LoadElementData(DocumentElement& element, size_t position)
{
    Text plain;
    WipeOnExit<Text> wipePlain(plain);
    if (element.Enciphered()) {
        const int32_t result = DecipherContent(element, plain);
        if (result != parse_result::kOk) {
            return result;
        }
    } else {
        plain = element.content;
    }
    if (plain.empty()) {
        return parse_result::kOk; // no data: the list stays empty and unavailable
    }
    element.available = true;
    if (profile_.contentIsPreset) {
        size_t keep = kPresetChars;
        if (!element.Enciphered() && element.defaultValue > 0) {
            keep = std::min(keep, static_cast<size_t>(element.defaultValue));
        }
        element.preset = plain.substr(0, keep);
        return parse_result::kOk;
    }
    ItemListLimits limits;
    limits.hiddenSlots = profile_.hiddenSlots;
    limits.carriesValues = !(profile_.bankListDisplayOnly && position == 2);
    element.items.Load(plain, element.defaultValue, limits);
    return parse_result::kOk;
}

int32_t ParameterDocumentReader::DecipherContent(const DocumentElement& element, Text& plain)
{
    if (element.content.empty()) {
        messages_.ShowMessage(profile_.noDataMessage, kBankCaption);
        return parse_result::kNoData;
    }
    if (element.content.size() % 16 != 0) {
        messages_.ShowMessage(profile_.dataFailedMessage, kBankCaption);
        return parse_result::kNoData;
    }
    if (!decipher_ || decipher_(element.content, plain) != 0) {
        WipeString(plain);
        messages_.ShowMessage(profile_.dataFailedMessage, kBankCaption);
        return parse_result::kDecipherFailed;
    }
    return parse_result::kOk;
}

} // namespace velkor
