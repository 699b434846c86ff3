#include "host/common_account_form.h"

#include <algorithm>

#include "common/secure_buffer.h"
#include "host/bank_session.h"

namespace velkor::host {

namespace {

constexpr size_t kMaxRows = 10;
// What the form keeps of each text (its buffers, without their terminators).
constexpr size_t kMaxNameChars = 63;
constexpr size_t kMaxTitleChars = 63;
constexpr size_t kMaxTagChars = 127;
constexpr size_t kMaxItemChars = 80;
constexpr size_t kMaxPresetChars = 128;
// A drop-down row's content is copied into the first part of its buffer, which ends where the
// deciphered text is written.
constexpr size_t kMaxListContentChars = 4999;
constexpr size_t kBankCodeChars = 3;

bool Fail(std::string* error, const char* why)
{
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

// A text the scanner reads back as written: no quote (ends an attribute), no angle bracket (ends
// a start tag, opens a tag or "/>").
bool PlainMarkup(std::u16string_view text)
{
    return text.find_first_of(u"\"<>") == std::u16string_view::npos;
}

// List texts may not carry the separators (';' and '%' at an end would merge into them) nor '|',
// which separates the values of the common account.
bool PlainListText(std::u16string_view text)
{
    return PlainMarkup(text) && text.find_first_of(u";%|") == std::u16string_view::npos;
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsLetterOrDigit(char16_t c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool PresetSuitsType(const CommonAccountRow& row)
{
    if (row.type == u'3') {
        return std::all_of(row.preset.begin(), row.preset.end(), IsDigit);
    }
    if (row.type == u'4') {
        return std::all_of(row.preset.begin(), row.preset.end(), IsLetterOrDigit);
    }
    return true;
}

// The control reads deciphered bytes as UTF-16LE text only when some character is an ASCII
// letter, digit or space; other texts would reach the form byte by byte.
bool ReadBackAsText(std::u16string_view plain)
{
    return std::any_of(
        plain.begin(), plain.end(), [](char16_t c) { return IsLetterOrDigit(c) || c == u' '; });
}

std::u16string Number(int32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void AppendTag(std::u16string& document, std::u16string_view tag, std::u16string_view value)
{
    document.append(u"<").append(tag).append(u">").append(value);
    document.append(u"</").append(tag).append(u">");
}

bool ListContent(const CommonAccountRow& row, std::u16string& content, std::string* error)
{
    for (const auto& item : row.items) {
        if (!PlainListText(item.display) || !PlainListText(item.code)) {
            return Fail(error, "a list item holds a separator, quote or angle bracket");
        }
        if (item.code.size() != kBankCodeChars) {
            return Fail(error, "a list item's code is not three characters");
        }
        if (item.display.size() + 2 + item.code.size() > kMaxItemChars) {
            return Fail(error, "a list item is longer than 80 characters");
        }
        content.append(item.display).append(u"%%").append(item.code).append(u";;");
    }
    return true;
}

// The row's content as the document carries it (plain or enciphered hexadecimal).
bool RowContent(const CommonAccountRow& row, bool functionType2,
    std::span<const uint8_t> sessionKey, std::u16string& content, std::string* error)
{
    std::u16string plain;
    WipeOnExit wipePlain(plain);
    const bool list = IsDropDownRow(row) && !functionType2;
    if (list) {
        if (!ListContent(row, plain, error)) {
            return false;
        }
    } else {
        if (!PresetSuitsType(row)) {
            return Fail(error, "a preset has characters its row type does not take");
        }
        if (!PlainMarkup(row.preset)) {
            return Fail(error, "a preset holds a quote or angle bracket");
        }
        plain = row.preset;
    }
    if (row.enciphered && !plain.empty()) {
        if (!ReadBackAsText(plain)) {
            return Fail(error, "an enciphered text needs an ASCII letter, digit or space");
        }
        std::string hex;
        if (!EncipherListData(sessionKey, plain, hex)) {
            return Fail(error, "the session key cannot encipher the row");
        }
        content.assign(hex.begin(), hex.end());
    } else {
        content = plain;
    }
    const size_t limit = list ? kMaxListContentChars : kMaxPresetChars;
    if (content.size() > limit) {
        return Fail(error,
            list ? "a list is longer than the form takes"
                 : "a preset is longer than 128 characters as written");
    }
    return true;
}

bool AppendRow(std::u16string& document, const CommonAccountRow& row, bool functionType2,
    std::span<const uint8_t> sessionKey, std::string* error)
{
    if (row.type < u'0' || row.type > u'7' || row.keyType < u'0' || row.keyType > u'8') {
        return Fail(error, "a row type or key type is out of range");
    }
    if (!PlainMarkup(row.name) || row.name.size() > kMaxNameChars) {
        return Fail(error, "a row name is longer than 63 characters or holds markup");
    }
    std::u16string content;
    WipeOnExit wipeContent(content);
    if (!RowContent(row, functionType2, sessionKey, content, error)) {
        return false;
    }
    // "Type" first: the control takes the first occurrence of each name, and "Type" is also part
    // of "KeyType". The name, free text, comes last so that no other name can be found in it.
    document.append(u"<AtmNode Type=\"").push_back(row.type);
    document.append(u"\" KeyType=\"").push_back(row.keyType);
    document.append(u"\" Ciph=\"").append(row.enciphered ? u"1" : u"0");
    document.append(u"\" min=\"").append(Number(row.min));
    document.append(u"\" Default=\"").append(Number(row.defaultValue));
    document.append(u"\" Name=\"").append(row.name).append(u"\"");
    if (content.empty()) {
        document.append(u"/>");
    } else {
        document.append(u">").append(content).append(u"</AtmNode>");
    }
    return true;
}

std::u16string_view SeparatorOf(const CommonAccountRow& row)
{
    if (!IsDropDownRow(row) && (row.keyType == u'7' || row.keyType == u'8')) {
        return u";;";
    }
    return u"||";
}

} // namespace

bool IsDropDownRow(const CommonAccountRow& row)
{
    return row.type >= u'0' && row.type <= u'2';
}

bool RowIsOutput(const CommonAccountRow& row)
{
    return !(row.type == u'6' && (row.keyType == u'7' || row.keyType == u'8'));
}

bool BuildCommonAccountDocument(const CommonAccountForm& form, std::span<const uint8_t> sessionKey,
    std::u16string& document, std::string* error)
{
    document.clear();
    if (form.rows.empty() || form.rows.size() > kMaxRows) {
        return Fail(error, "a form has 1 to 10 rows");
    }
    if (!PlainMarkup(form.caption) || !PlainMarkup(form.title) || form.caption.size() > kMaxTagChars
        || form.title.size() > kMaxTitleChars) {
        return Fail(error, "the caption or title is too long or holds markup");
    }
    std::u16string built;
    if (form.functionType) {
        AppendTag(built, u"FunType", Number(*form.functionType));
    }
    AppendTag(built, u"Caption", form.caption);
    AppendTag(built, u"Title", form.title);
    if (form.timeOutSeconds) {
        AppendTag(built, u"TimeOut", Number(*form.timeOutSeconds));
    }
    AppendTag(built, u"KeyOrder", form.fixedKeypad ? u"1" : u"0");
    const bool functionType2 = form.functionType == 2;
    for (const auto& row : form.rows) {
        if (!AppendRow(built, row, functionType2, sessionKey, error)) {
            WipeString(built);
            return false;
        }
    }
    document = std::move(built);
    return true;
}

bool SplitCommonAccount(
    const CommonAccountForm& form, std::u16string_view plain, std::vector<std::u16string>& values)
{
    std::vector<std::u16string> split;
    size_t at = 0;
    bool whole = true;
    for (const auto& row : form.rows) {
        if (!RowIsOutput(row)) {
            split.emplace_back();
            continue;
        }
        const std::u16string_view separator = SeparatorOf(row);
        const size_t end = plain.find(separator, at);
        if (end == std::u16string_view::npos) {
            whole = false;
            break;
        }
        split.emplace_back(plain.substr(at, end - at));
        at = end + separator.size();
    }
    if (!whole || at != plain.size()) {
        for (auto& value : split) {
            WipeString(value);
        }
        return false;
    }
    for (auto& value : values) {
        WipeString(value);
    }
    values = std::move(split);
    return true;
}

bool OpenCommonAccount(const CommonAccountForm& form, std::span<const uint8_t> sessionKey,
    std::string_view encipheredHex, std::vector<std::u16string>& values)
{
    std::u16string plain;
    WipeOnExit wipePlain(plain);
    return DecipherDialogResult(sessionKey, encipheredHex, plain)
        && SplitCommonAccount(form, plain, values);
}

} // namespace velkor::host
