#include "host/net_bank_document.h"

#include "host/bank_session.h"

namespace velkor::host {

namespace {

bool Fail(std::string* error, std::string message)
{
    if (error != nullptr) {
        *error = std::move(message);
    }
    return false;
}

// A text the scanner would not split or end where the writer meant.
bool Embeddable(std::u16string_view text)
{
    return text.find_first_of(u"<>\"") == std::u16string_view::npos
        && text.find(u";;") == std::u16string_view::npos
        && text.find(u"%%") == std::u16string_view::npos
        && text.find(u"$$") == std::u16string_view::npos;
}

std::u16string Number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string Tag(std::u16string_view name, std::u16string_view value)
{
    return u"<" + std::u16string(name) + u">" + std::u16string(value) + u"</" + std::u16string(name)
        + u">";
}

bool ItemsText(const NetBankList& list, std::u16string& items, std::string* error)
{
    if (list.preset) {
        if (!Embeddable(*list.preset)) {
            return Fail(error, "a preset account holds markup or separators");
        }
        items = *list.preset;
        return true;
    }
    for (const NetBankItem& item : list.items) {
        if (!Embeddable(item.display) || !Embeddable(item.hidden)) {
            return Fail(error, "an item's display or hidden text holds markup or separators");
        }
        items += item.display;
        if (!item.fields.empty()) {
            items += u"%%";
            for (size_t i = 0; i < item.fields.size(); ++i) {
                if (!Embeddable(item.fields[i])
                    || item.fields[i].find(u"||") != std::u16string::npos) {
                    return Fail(error, "an item's field holds markup or separators");
                }
                items += (i == 0 ? u"" : u"||") + item.fields[i];
            }
            if (!item.hidden.empty()) {
                items += u"$$" + item.hidden;
            }
        }
        items += u";;";
    }
    return true;
}

bool Element(const NetBankList& list, std::span<const uint8_t> sessionKey, std::u16string& text,
    std::string* error)
{
    if (!Embeddable(list.name) || list.type == u'"' || list.type < u' ') {
        return Fail(error, "a list name or type holds markup or separators");
    }
    std::u16string items;
    if (!ItemsText(list, items, error)) {
        return false;
    }
    // The scanner finds each attribute as the first occurrence of its name in the element, so the
    // one free text, the name, comes last: a name such as "Admin" would otherwise be read as "min".
    text += u"<AtmNode Type=\"" + std::u16string(1, list.type) + u"\" Ciph=\""
        + (list.enciphered ? u"1" : u"0") + u"\" Default=\""
        + Number(list.maxLength.value_or(list.defaultIndex)) + u"\"";
    if (list.minLength) {
        text += u" min=\"" + Number(*list.minLength) + u"\"";
    }
    if (list.addToCommonChecked) {
        text += u" check=\"" + Number(*list.addToCommonChecked ? 1 : 0) + u"\"";
    }
    text += u" Name=\"" + list.name + u"\">";
    if (list.enciphered && !items.empty()) {
        std::string hex;
        if (!EncipherListData(sessionKey, items, hex)) {
            return Fail(error, "a list could not be enciphered under the session key");
        }
        text.append(hex.begin(), hex.end());
    } else {
        text += items;
    }
    text += u"</AtmNode>";
    return true;
}

std::vector<std::u16string> SplitFields(std::u16string_view text)
{
    std::vector<std::u16string> fields;
    while (!text.empty()) {
        const size_t bar = text.find(u"||");
        fields.emplace_back(text.substr(0, bar));
        text.remove_prefix(bar == std::u16string_view::npos ? text.size() : bar + 2);
    }
    return fields;
}

} // namespace

bool BuildNetBankDocument(const NetBankDocument& document, std::span<const uint8_t> sessionKey,
    std::u16string& text, std::string* error)
{
    if (!Embeddable(document.caption)) {
        return Fail(error, "the caption holds markup");
    }
    std::u16string out = Tag(u"Caption", document.caption);
    if (document.dialog != NetBankDialogKind::TransferAccount) {
        out += Tag(u"FunType", Number(static_cast<int>(document.dialog)));
    }
    out += Tag(u"TimeOut", Number(document.timeoutSeconds));
    const std::pair<const char16_t*, const std::optional<int>*> numbers[] = {
        { u"KeyType", &document.keyType },
        { u"AddComm", &document.addComm },
        { u"Select", &document.select },
        { u"Filter", &document.filterField },
    };
    for (const auto& [name, value] : numbers) {
        if (value->has_value()) {
            out += Tag(name, Number(**value));
        }
    }
    for (const std::u16string& title : document.titles) {
        if (!Embeddable(title)) {
            return Fail(error, "a title holds markup");
        }
        out += Tag(u"Title", title);
    }
    for (const NetBankList& list : document.lists) {
        if (!Element(list, sessionKey, out, error)) {
            return false;
        }
    }
    text = std::move(out);
    return true;
}

std::optional<NetBankImportAccount> ReadNetBankImportAccount(
    std::u16string_view importAccount, NetBankDialogKind dialog)
{
    if (importAccount.size() < 2 || importAccount.substr(importAccount.size() - 2) != u"||") {
        return std::nullopt;
    }
    std::vector<std::u16string> fields
        = SplitFields(importAccount.substr(0, importAccount.size() - 2));
    NetBankImportAccount account;
    const bool transferAccount = dialog == NetBankDialogKind::TransferAccount;
    const size_t kindField = transferAccount ? 2 : 0;
    if (fields.size() < 3 || fields[kindField].size() != 1) {
        return std::nullopt;
    }
    account.kind = fields[kindField][0];
    if (account.kind < u'0' || account.kind > u'3') {
        return std::nullopt;
    }
    account.bank = fields[transferAccount ? 0 : 1];
    account.account = fields[transferAccount ? 1 : 2];
    account.moreFields.assign(fields.begin() + 3, fields.end());
    return account;
}

} // namespace velkor::host
