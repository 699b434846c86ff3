#include "dialogs/account_validation.h"

#include <algorithm>

#include "dialogs/dialog_texts.h"

namespace velkor {

AccountCheck CheckTypedAccount(const TypedAccount& account, MessageSink& messages)
{
    AccountCheck check;
    const size_t length = account.fromEdit ? account.editText.size() : account.keypadCount;
    if (length == 0) {
        messages.ShowMessage(dialog_text::kCheckAccount, kBankCaption);
        return check;
    }
    // Every code unit must be an ASCII digit: judged by the low 8 bits alone, some CJK characters
    // would pass for digits.
    const bool allDigits = std::all_of(account.editText.begin(), account.editText.end(),
        [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (account.fromEdit && !allDigits) {
        messages.ShowMessage(dialog_text::kAccountMustBeDigits, kBankCaption);
        check.resetEdit = true;
        return check;
    }
    if (length < account.minimumLength) {
        messages.ShowMessage(dialog_text::kCheckAccountLength, kBankCaption);
        return check;
    }
    check.accepted = true;
    return check;
}

} // namespace velkor
