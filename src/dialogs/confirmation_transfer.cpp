#include "dialogs/confirmation_transfer.h"

#include <algorithm>

namespace velkor::confirmation {

namespace {

constexpr size_t kAccountFieldAndKind = 17;
constexpr size_t kBankTextMaxChars = 180;
constexpr size_t kBankCodeCompared = 3;

bool Contains(const std::optional<Text>& text, std::u16string_view part)
{
    return text && !part.empty() && text->find(part) != Text::npos;
}

} // namespace

TransferFields ReadTransferFields(std::u16string_view firstResult)
{
    TransferFields fields;
    const std::u16string_view bank = firstResult.size() > kAccountFieldAndKind
        ? firstResult.substr(kAccountFieldAndKind, kBankTextMaxChars)
        : std::u16string_view();
    const size_t lastPercent = bank.rfind(u"%%");
    if (lastPercent == std::u16string_view::npos) {
        fields.bankText = Text(bank);
    } else {
        fields.bankText = Text(bank.substr(0, lastPercent));
        std::u16string_view rest = bank.substr(lastPercent + 2);
        const size_t firstDigit = rest.find_first_of(u"0123456789");
        if (firstDigit != std::u16string_view::npos) {
            rest.remove_prefix(firstDigit);
            const size_t digits = std::min(rest.find_first_not_of(u"0123456789"), rest.size());
            fields.bankCode = Text(rest.substr(0, digits));
        }
    }
    const size_t lastDollar = bank.rfind(u"$$");
    fields.email
        = lastDollar == std::u16string_view::npos ? Text(u" ") : Text(bank.substr(lastDollar + 2));
    fields.bankTextStartsWith999 = bank.starts_with(u"999");
    return fields;
}

Text TransferCode(const std::optional<Text>& tag5, const TransferFields& fields, char16_t mode)
{
    const int column = mode == u'1' ? 1 : mode == u'2' ? 2 : 0;
    static constexpr const char16_t* kCodes[4][3] = {
        { u"2523", u"2563", u"2523" }, // within the payer's bank
        { u"2521", u"2561", u"2561" }, // the payer's bank is the bank itself
        { u"2522", u"2562", u"2562" }, // to the bank itself
        { u"2524", u"2564", u"2564" }, // to another bank
    };
    const std::u16string_view code
        = std::u16string_view(fields.bankCode).substr(0, kBankCodeCompared);
    int row = 3;
    if (code.size() == kBankCodeCompared && Contains(tag5, code)) {
        row = 0;
    } else if (Contains(tag5, u"999")) {
        row = 1;
    } else if (fields.bankTextStartsWith999) {
        row = 2;
    }
    return kCodes[row][column];
}

bool PlaceTransferCode(Text& secondResult, std::u16string_view code)
{
    size_t at = Text::npos;
    size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        at = secondResult.find(u"||", from);
        if (at == Text::npos) {
            return false;
        }
        from = at + 2;
    }
    if (secondResult.size() < from + code.size()) {
        return false;
    }
    secondResult.replace(from, code.size(), code);
    if (!secondResult.ends_with(u"||")) {
        secondResult += u"||";
    }
    return true;
}

} // namespace velkor::confirmation
