#include "host/transfer_document.h"

#include "common/secure_buffer.h"
#include "host/bank_session.h"

namespace velkor::host {

namespace {

constexpr int32_t kMaxKeyType = 6;
constexpr size_t kMaxNameChars = 63;
// The dialog cuts an item at 160 characters and a hidden value at 128.
constexpr size_t kMaxItemChars = 160;
constexpr size_t kMaxEmailChars = 128;

// Texts the dialog's scanner would read as structure: a quote ends an attribute, '<' and '>'
// end an element, and doubled ';', '%', '$' and '|' split items, values and fields (also across
// the boundary with the text next to a field, so the characters are refused alone).
bool SafeField(std::u16string_view text)
{
    return text.find_first_of(u"\"<>;%$|") == std::u16string_view::npos;
}

// Several notified addresses are separated by single ';'.
bool SafeEmail(std::u16string_view email)
{
    std::u16string withoutSeparators(email);
    std::erase(withoutSeparators, u';');
    return SafeField(withoutSeparators) && email.find(u";;") == std::u16string_view::npos
        && (email.empty() || (email.front() != u';' && email.back() != u';'));
}

bool ItemData(const TransferAccountItem& item, std::u16string& data)
{
    if (!SafeField(item.display) || !SafeField(item.bankCode) || !SafeField(item.account)
        || !SafeEmail(item.email) || item.display.empty() || item.account.empty()
        || item.email.size() > kMaxEmailChars) {
        return false;
    }
    std::u16string entry = item.display + u"%%" + item.bankCode + u"||" + item.account;
    if (!item.email.empty()) {
        entry += u"$$" + item.email;
    }
    if (entry.size() > kMaxItemChars) {
        return false;
    }
    data += entry + u";;";
    return true;
}

bool ItemData(const TransferBankItem& item, std::u16string& data)
{
    if (!SafeField(item.display) || !SafeField(item.code) || item.display.empty()
        || item.code.empty()
        || item.code.find_first_not_of(u"0123456789") != std::u16string_view::npos) {
        return false;
    }
    const std::u16string entry = item.display + u"%%" + item.code;
    if (entry.size() > kMaxItemChars) {
        return false;
    }
    data += entry + u";;";
    return true;
}

std::u16string Number(int32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// One list element. The dialog finds each attribute as the first occurrence of its name in the
// element's text, so the numeric attributes come first and the name, whose text is the bank's,
// last: a name that happens to contain "Type" cannot shadow the attribute.
template <typename Item>
bool ListElement(const TransferList<Item>& list, char16_t type, bool check,
    std::span<const uint8_t> sessionKey, std::u16string& document)
{
    if (!SafeField(list.name) || list.name.size() > kMaxNameChars || list.defaultIndex < 0) {
        return false;
    }
    std::u16string data;
    WipeOnExit wipeData(data);
    for (const Item& item : list.items) {
        if (!ItemData(item, data)) {
            return false;
        }
    }
    // An empty enciphered list would make the dialog complain of missing data: it goes plain,
    // and empty, so the dialog only leaves its kind unavailable.
    const bool enciphered = list.enciphered && !data.empty();
    std::u16string element = u"<AtmNode Type=\"" + std::u16string(1, type) + u"\" Ciph=\""
        + (enciphered ? u"1" : u"0") + u"\" check=\"" + (check ? u"1" : u"0") + u"\" Default=\""
        + Number(list.defaultIndex) + u"\" Name=\"" + list.name + u"\"";
    if (data.empty()) {
        document += element + u"/>";
        return true;
    }
    if (enciphered) {
        std::string hex;
        if (!EncipherListData(sessionKey, data, hex)) {
            return false;
        }
        document += element + u">" + std::u16string(hex.begin(), hex.end()) + u"</AtmNode>";
    } else {
        document += element + u">" + data + u"</AtmNode>";
    }
    return true;
}

std::u16string Tag(std::u16string_view name, std::u16string_view value)
{
    return u"<" + std::u16string(name) + u">" + std::u16string(value) + u"</" + std::u16string(name)
        + u">";
}

} // namespace

bool BuildTransferDocument(
    const TransferDocument& contents, std::span<const uint8_t> sessionKey, std::u16string& document)
{
    if (!SafeField(contents.caption) || contents.keyType < 0 || contents.keyType > kMaxKeyType
        || contents.timeoutSeconds <= 0) {
        return false;
    }
    std::u16string built = Tag(u"Caption", contents.caption)
        + Tag(u"KeyType", Number(contents.keyType))
        + Tag(u"TimeOut", Number(contents.timeoutSeconds))
        + Tag(u"AddComm", contents.allowAddToCommon ? u"0" : u"1");
    // The check box's state is one value per dialog: the element that is read last sets it.
    if (!ListElement(contents.agreed, u'0', contents.addToCommonChecked, sessionKey, built)
        || !ListElement(contents.common, u'1', contents.addToCommonChecked, sessionKey, built)
        || !ListElement(contents.banks, u'2', contents.addToCommonChecked, sessionKey, built)) {
        WipeString(built);
        return false;
    }
    document = std::move(built);
    return true;
}

} // namespace velkor::host
