#pragma once

#include <cstddef>
#include <string_view>

#include "dialogs/message_sink.h"

// The checks the dialogs make at OK on an account number the customer typed, with their messages.
// A failed check leaves the dialog open.
namespace velkor {

struct TypedAccount {
    bool fromEdit = false; // typed in the edit field (else on the keypad)
    size_t keypadCount = 0; // characters in the keypad's entry store
    std::u16string_view editText; // the edit field's text (up to the maximum length)
    size_t minimumLength = 0; // 0: no minimum
};

struct AccountCheck {
    bool accepted = false;
    bool resetEdit = false; // the edit field is emptied and takes the focus
};

// Nothing typed: "請確認輸入帳號"; edit text not all digits: "輸入帳號必須數字" (and the edit is
// reset); shorter than the minimum: "請確認輸入帳號長度". Messages go to `messages`.
AccountCheck CheckTypedAccount(const TypedAccount& account, MessageSink& messages);

} // namespace velkor
