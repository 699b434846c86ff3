#include "dialogs/common_account_document.h"

#include <algorithm>
#include <new>

#include "common/secure_buffer.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/document_scanner.h"

namespace velkor {

namespace {

constexpr std::u16string_view kElementOpen = u"<AtmNode";
constexpr std::u16string_view kElementEnd = u"</AtmNode>";
constexpr std::u16string_view kItemEnd = u";;";
constexpr std::u16string_view kCodeMark = u"%%";
constexpr size_t kTagCapacity = 128;
constexpr size_t kAttributeCapacity = 128;
constexpr size_t kNameChars = 63;
constexpr size_t kTitleChars = 63;
constexpr size_t kTimeoutLabelChars = 31;
constexpr size_t kItemChars = 80;
constexpr size_t kCodeChars = 3;
constexpr size_t kPresetChars = 128;
// The element content the row's buffer holds: a drop-down row's content ends where its
// deciphered text would begin; a typed row keeps what a preset can use.
constexpr size_t kListContentChars = 4999;
constexpr size_t kTypedContentChars = kPresetChars;

char16_t FirstOr(const Text& text, char16_t fallback)
{
    return text.empty() ? fallback : text[0];
}

// Calls `visit(item)` for every item of `content`, empty ones included, as if the content ended
// in ";;".
template <typename Visit> void ForEachListItem(std::u16string_view content, Visit visit)
{
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find(kItemEnd, start);
        if (end == std::u16string_view::npos) {
            end = content.size();
        }
        if (!visit(content.substr(start, end - start))) {
            return;
        }
        start = end + kItemEnd.size();
    }
}

std::u16string_view DisplayOf(std::u16string_view item)
{
    const size_t mark = scanner::FindLast(item, kCodeMark);
    return (mark == scanner::kNotFound ? item : item.substr(0, mark)).substr(0, kItemChars);
}

Text NameOf(const Text& value, int& lineBreaks)
{
    Text name = value.substr(0, kNameChars);
    lineBreaks = 0;
    for (size_t at = name.find(kCodeMark); at != Text::npos; at = name.find(kCodeMark, at + 2)) {
        name.replace(at, 2, u"\r\n");
        ++lineBreaks;
    }
    return name;
}

class DocumentReader {
public:
    DocumentReader(CommonAccountFormKind form, const ListDecipher& decipher, MessageSink& messages)
        : form_(form)
        , decipher_(decipher)
        , messages_(messages)
    {
    }

    void ReadTopLevel(std::u16string_view text, CommonAccountDocument& out)
    {
        auto tag = [&](std::u16string_view name) {
            return scanner::ReadTag(text, Text(u"<") + Text(name) + u">",
                Text(u"</") + Text(name) + u">", kTagCapacity);
        };
        if (const auto value = tag(u"FunType")) {
            out.funType = scanner::ToInteger(*value);
        }
        out.caption = tag(u"Caption");
        if (const auto value = tag(u"Title")) {
            out.title = value->substr(0, kTitleChars);
        }
        if (const auto value = tag(u"TimeOut")) {
            out.timeoutSeconds = scanner::ToInteger(*value);
            out.countdownLabel = value->substr(0, kTimeoutLabelChars)
                + (form_ == CommonAccountFormKind::WebAtm ? dialog_text::kLogoutSuffix
                                                          : dialog_text::kLeaveSuffix);
        }
        if (const auto value = tag(u"KeyOrder")) {
            out.keyOrder = (!value->empty() && ((*value)[0] == u'0' || (*value)[0] == u'1'))
                ? scanner::ToInteger(*value)
                : 0;
        }
        if (const auto value = tag(u"FoxShow")) {
            out.foxShow = scanner::ToInteger(*value);
        }
    }

    // Reads element `index` into a new row; returns a parse_result for the element.
    int32_t ReadRow(std::u16string_view text, size_t index, CommonAccountDocument& out)
    {
        CommonAccountRow& row = out.rows.emplace_back();
        const auto element = scanner::ReadElementText(text, kElementOpen, kElementEnd, index);
        if (!element) {
            return parse_result::kOk; // an unclosed element leaves an empty drop-down row
        }
        const auto attribute = [&](std::u16string_view name) {
            return scanner::ReadAttribute(*element, name, kAttributeCapacity);
        };
        row.name = NameOf(attribute(u"Name"), row.lineBreaks);
        row.type = FirstOr(attribute(u"Type"), u'0');
        if (row.type < u'0' || row.type > u'7') {
            row.type = u'0';
        }
        row.keyType = FirstOr(attribute(u"KeyType"), u'0');
        row.ciph = FirstOr(attribute(u"Ciph"), u'0');
        row.min = scanner::ToInteger(attribute(u"min"));
        row.defaultValue = scanner::ToInteger(attribute(u"Default"));
        row.content = scanner::ReadContent(*element, kElementEnd)
                          .substr(0, row.IsList() ? kListContentChars : kTypedContentChars);

        Text plain;
        WipeOnExit<Text> wipePlain(plain);
        if (row.Enciphered()) {
            const int32_t result = Decipher(row, plain);
            if (result != parse_result::kOk) {
                row.listEnabled = false;
                return result;
            }
        } else {
            plain = row.content;
        }
        if (plain.empty()) {
            row.listEnabled = !row.IsList();
        } else if (!row.IsList()) {
            row.preset = row.content;
        } else if (out.funType != 2) {
            LoadCommonAccountList(plain, row.defaultValue, row);
        } else {
            size_t keep = kPresetChars;
            if (!row.Enciphered() && row.defaultValue > 0) {
                keep = std::min(keep, static_cast<size_t>(row.defaultValue));
            }
            row.preset = plain.substr(0, keep);
        }
        return parse_result::kOk;
    }

private:
    int32_t Decipher(const CommonAccountRow& row, Text& plain)
    {
        if (row.content.empty()) {
            if (!row.IsList()) {
                return parse_result::kOk; // a typed row without preset
            }
            messages_.ShowMessage(dialog_text::kNoListData, kBankCaption);
            return parse_result::kNoData;
        }
        if (row.content.size() % 16 != 0) {
            messages_.ShowMessage(dialog_text::kListDataFailed, kBankCaption);
            return parse_result::kNoData;
        }
        if (!decipher_ || decipher_(row.content, plain) != 0) {
            WipeString(plain);
            messages_.ShowMessage(dialog_text::kListDataFailed, kBankCaption);
            return parse_result::kDecipherFailed;
        }
        return parse_result::kOk;
    }

    CommonAccountFormKind form_;
    const ListDecipher& decipher_;
    MessageSink& messages_;
};

} // namespace

CommonAccountRow::~CommonAccountRow()
{
    WipeString(content);
    WipeString(preset);
    for (Text& entry : entries) {
        WipeString(entry);
    }
}

int32_t ReadCommonAccountDocument(CommonAccountFormKind form, std::u16string_view document,
    const ListDecipher& decipher, MessageSink& messages, CommonAccountDocument& out)
{
    if (document.data() == nullptr) {
        messages.ShowMessage(dialog_text::kCheckXmlData, kBankCaption);
        return parse_result::kNoDocument;
    }
    const std::u16string_view text = scanner::UpToNul(document);
    if (text.empty()) {
        messages.ShowMessage(dialog_text::kCheckXmlData, kBankCaption);
        return parse_result::kNoData;
    }
    try {
        out.rows.reserve(kCommonAccountRows);
        DocumentReader reader(form, decipher, messages);
        reader.ReadTopLevel(text, out);
        const size_t count
            = std::min(scanner::CountElements(text, kElementOpen), kCommonAccountRows);
        for (size_t i = 0; i < count; ++i) {
            const int32_t result = reader.ReadRow(text, i, out);
            if (result != parse_result::kOk && form == CommonAccountFormKind::NetBank) {
                return result;
            }
        }
    } catch (const std::bad_alloc&) {
        messages.ShowMessage(dialog_text::kCannotAllocate, kBankCaption);
        return parse_result::kNoMemory;
    }
    return parse_result::kOk;
}

void LoadCommonAccountList(std::u16string_view content, int32_t defaultIndex, CommonAccountRow& row)
{
    for (Text& entry : row.entries) {
        WipeString(entry);
    }
    row.entries.clear();
    row.itemCount = 0;
    ForEachListItem(content, [&](std::u16string_view item) {
        ++row.itemCount;
        if (!item.empty()) {
            row.entries.emplace_back(DisplayOf(item));
        }
        return true;
    });
    row.selected = (defaultIndex >= 0 && static_cast<size_t>(defaultIndex) < row.entries.size())
        ? defaultIndex
        : -1;
}

std::optional<CommonAccountChoice> CommonAccountItem(std::u16string_view content, int32_t index)
{
    if (index < 0) {
        return std::nullopt;
    }
    std::optional<CommonAccountChoice> found;
    int32_t count = 0;
    ForEachListItem(content, [&](std::u16string_view item) {
        if (count++ != index) {
            return true;
        }
        if (!item.empty()) {
            CommonAccountChoice choice { Text(DisplayOf(item)), Text() };
            const size_t mark = scanner::FindLast(item, kCodeMark);
            if (mark != scanner::kNotFound) {
                choice.code = Text(item.substr(mark + kCodeMark.size(), kCodeChars));
            }
            found = std::move(choice);
        }
        return false;
    });
    return found;
}

} // namespace velkor
