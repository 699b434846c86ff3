#pragma once

#include "common/text.h"

// Messages and fixed captions that the dialogs show to the customer, character for character.
namespace velkor::dialog_text {

inline const Text kCheckXmlData = u"請確認正確XML資料";
inline const Text kCannotAllocate = u"無法配置XML記憶體";
inline const Text kNoListData = u"無XML下拉選單資料";
inline const Text kListDataFailed = u"獲取XML下拉選單資料失敗";
inline const Text kNoEncAccountData = u"無加密帳號資料";
inline const Text kEncAccountDataFailed = u"獲取加密帳號資料失敗";

inline const Text kTimedOut = u"交易時間逾時，請重新執行交易 !";
inline const Text kLogoutSuffix = u" 秒後自動登出";
inline const Text kLeaveSuffix = u" 秒後自動離開本畫面";

inline const Text kCheckAccount = u"請確認輸入帳號";
inline const Text kAccountMustBeDigits = u"輸入帳號必須數字";
inline const Text kCheckAccountLength = u"請確認輸入帳號長度";
inline const Text kMustBeDigits = u"必須為數字";
inline const Text kMustBeEmailChars = u"必須為EMAIL合法字元";

inline const Text kUseGraphicKeypad = u"使用圖形鍵盤";
inline const Text kUseGeneralKeyboard = u"使用一般鍵盤";
inline const Text kCorrection = u"更正";
inline const Text kClear = u"清除";
inline const Text kCaseToggle = u"大/小寫";
inline const Text kOk = u"確定";
inline const Text kCancel = u"取消";
inline const Text kAddToCommon = u"加入常用帳號";

} // namespace velkor::dialog_text
