#pragma once

#include <string_view>

// The texts of the message boxes the card methods show the customer, exactly as the bank's
// customers know them.
namespace velkor::messages {

inline constexpr std::u16string_view kBankCaption = u"霖州銀行";

// Before a verification on the reader's PIN pad.
inline constexpr std::u16string_view kEnterPinOnReader
    = u"請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵";
// Before a PIN change on the reader's PIN pad.
inline constexpr std::u16string_view kEnterOldAndNewPinOnReader
    = u"請於晶片讀卡機上輸入晶片舊密碼與新密碼後，按下『確認』鍵";
// Before a transaction signed through a PIN-pad reader.
inline constexpr std::u16string_view kConfirmTransactionOnReader
    = u"請於晶片讀卡機上確認各項輸入資料，再輸入晶片密碼後，按下『確認』鍵";

} // namespace velkor::messages
