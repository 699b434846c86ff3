#include "dialogs/confirmation_checks.h"

#include <vector>

namespace velkor::confirmation {

namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The forms in which the page may show `digits` (hundredths, leading zeros dropped).
std::vector<Text> AcceptedForms(std::u16string_view digits)
{
    const size_t n = digits.size();
    if (n == 0) {
        return { u"0.00" };
    }
    if (n == 1) {
        return { Text(u"0.0") + Text(digits) };
    }
    if (n == 2) {
        return { Text(u"0.") + Text(digits) };
    }
    const Text whole(digits.substr(0, n - 2));
    const std::u16string_view cents = digits.substr(n - 2);
    std::vector<Text> forms { whole + u"." + Text(cents) };
    if (cents == u"00") {
        forms.push_back(whole);
        forms.push_back(whole + u".0");
    }
    return forms;
}

} // namespace

bool ShownTextContains(const std::optional<std::u16string_view>& expected, const Text& shown)
{
    if (!expected || expected->empty()) {
        return false;
    }
    size_t start = 0;
    while (start < shown.size() && shown[start] == u' ') {
        ++start;
    }
    return std::u16string_view(shown).substr(start).find(*expected) != std::u16string_view::npos;
}

bool CheckAndFormatAmount(const std::optional<std::u16string_view>& amount, Text& shown)
{
    if (!amount) {
        return false;
    }
    std::u16string_view digits = *amount;
    for (const char16_t c : digits) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    while (!digits.empty() && digits.front() == u'0') {
        digits.remove_prefix(1);
    }

    size_t start = 0;
    for (; start < shown.size(); ++start) {
        const char16_t c = shown[start];
        if ((c >= u'1' && c <= u'9')
            || (c == u'0' && start + 1 < shown.size() && shown[start + 1] == u'.')) {
            break;
        }
    }
    if (start == shown.size()) {
        return false;
    }
    // The number as shown: digits and points; a point that ends it closes a sentence.
    size_t end = start;
    while (end < shown.size() && (IsDigit(shown[end]) || shown[end] == u'.')) {
        ++end;
    }
    std::u16string_view number = std::u16string_view(shown).substr(start, end - start);
    if (number.size() > 1 && number.back() == u'.') {
        number.remove_suffix(1);
    }
    bool accepted = false;
    for (const Text& form : AcceptedForms(digits)) {
        accepted = accepted || number == form;
    }
    if (!accepted) {
        return false;
    }

    size_t integerDigits = 0;
    while (start + integerDigits < shown.size() && IsDigit(shown[start + integerDigits])) {
        ++integerDigits;
    }
    Text grouped;
    for (size_t i = 0; i < integerDigits; ++i) {
        if (i > 0 && (integerDigits - i) % 3 == 0) {
            grouped.push_back(u',');
        }
        grouped.push_back(shown[start + i]);
    }
    shown.replace(start, integerDigits, grouped);
    return true;
}

} // namespace velkor::confirmation
