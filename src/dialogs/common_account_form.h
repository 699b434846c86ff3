#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "common/text.h"
#include "control/ui.h"
#include "dialogs/common_account_document.h"
#include "dialogs/countdown.h"
#include "dialogs/dialog_timers.h"
#include "dialogs/input_filter.h"
#include "dialogs/message_sink.h"
#include "dialogs/protected_entry.h"

// What the common-account entry forms (CWebComDlg, CWebComNetDlg) decide, without a window: the
// rows read from the page's document, the current row and which controls and keypad keys show
// for it, the keypad presses sealed into each row's entry store, the ordinary keyboard's key
// filter, when OK is usable, the countdown, and on OK the plain and protected outputs (and the
// web form's card PIN check and confirmation document). The Qt window shows the state and
// forwards its events here; tests and the script runner call it directly.
namespace velkor {

namespace common_account {

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHeading = 1011;
inline constexpr int kHint = 1032;
inline constexpr int kCountdownLabel = 1033;
inline constexpr int kGeneralKeyboard = 1037;
inline constexpr int kGraphicKeypad = 1038;
inline constexpr int kFirstKey = 1042; // key index 0
inline constexpr int kCorrectionKey = 1078; // key index 36
inline constexpr int kClearKey = 1079; // key index 37
inline constexpr int kCaseKey = 1080; // key index 38
inline constexpr int kCharacterKeys = 36;

inline constexpr int LabelId(int row)
{
    return 1012 + 2 * row;
}
inline constexpr int DisplayId(int row)
{
    return 1013 + 2 * row;
}
inline constexpr int EditId(int row)
{
    return 1001 + row;
}
inline constexpr int ComboId(int row)
{
    return 1091 + row;
}

inline constexpr int kConfirmed = 1;
inline constexpr int kCancelled = 2;
inline constexpr int kPinRefused = 105;

// Colours as 0xRRGGBB.
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kGreyText = 0x606060; // RGB(96,96,96)
inline constexpr uint32_t kRed = 0xFF0000;
inline constexpr uint32_t kHighlight = 0x3399FF; // RGB(51,153,255)
inline constexpr uint32_t kFormFace = 0xFEF2E9; // RGB(254,242,233)
inline constexpr uint32_t kButtonFace = 0xFEEEE2; // RGB(254,238,226)
inline constexpr uint32_t kHintBlue = 0x1E86B0; // RGB(30,134,176)

inline const Text kWebTitle = u"霖州銀行_網路Orvo";
inline const Text kNetTitle = u"霖州銀行_網路銀行_台幣常用轉入帳號-新增";
inline const Text kDefaultHeading = u"常用轉入帳號 - 新增";
inline const Text kHintChoose = u"請在下拉式選單選擇";
inline const Text kHintKeypad = u"請使用圖形鍵盤輸入";
inline const Text kHintKeyboard = u"請使用一般鍵盤輸入";
inline const Text kCipherDataError = u"加密資料錯誤";

} // namespace common_account

// What one control shows.
struct CommonAccountControl {
    Text text;
    bool visible = true;
    bool enabled = true;
    bool checked = false; // radio buttons
    uint32_t background = common_account::kWhite;
    uint32_t textColour = common_account::kGreyText;
};

class CommonAccountForm {
public:
    // `request` must outlive this object; its outputs are filled on OK.
    CommonAccountForm(CommonAccountRequest& request, DialogTimers& timers, MessageSink& messages,
        ClipboardReader clipboard = {});
    ~CommonAccountForm();
    CommonAccountForm(const CommonAccountForm&) = delete;
    CommonAccountForm& operator=(const CommonAccountForm&) = delete;

    // The form's start-up; returns 2 when the document ends it before it is shown.
    std::optional<int> Start();
    void Tick(int id);

    // A click on a button, radio button or keypad key (by control id). False for an id that is
    // not one, or a control hidden or disabled.
    bool Click(int id);
    // Keypad key 0 to 38 (36 correction, 37 clear, 38 case).
    void PressKey(int index);
    // Focus enters a row's edit or combo box.
    void FocusRow(int row);
    // The customer chooses entry `index` of a row's combo box.
    void SelectEntry(int row, int index);
    // A mouse button released at client point (x, y).
    void MouseReleased(int x, int y);
    // The key filter: true when the key is consumed. `editText` and `caret` are the current row's
    // edit text and caret position.
    bool FilterKey(const KeyInput& key, const Text& editText, size_t caret);
    // The current row's edit after a change the filter let through.
    void SetEditText(int row, const Text& text);
    void Ok();
    void Cancel();

    std::optional<int> Result() const { return result_; }
    CommonAccountFormKind Kind() const { return request_.form; }
    bool OkEnabled() const { return Control(common_account::kOk).enabled; }
    const CommonAccountDocument& Document() const { return document_; }
    size_t RowCount() const { return document_.rows.size(); }
    const CommonAccountRow& Row(size_t row) const { return document_.rows[row]; }
    int CurrentRow() const { return current_; }
    bool KeypadFlag(size_t row) const { return keypad_[row]; }
    bool LowerCase() const { return lowerCase_; }
    const Text& EditText(size_t row) const
    {
        return Control(common_account::EditId(static_cast<int>(row))).text;
    }
    // The control the focus was last sent to (0: none yet) and how many times it was sent, so
    // that the window moves the focus again when it is sent to the same control.
    int FocusControl() const { return focus_; }
    int FocusMoves() const { return focusMoves_; }
    // Keypad rows hidden below the current row's keypad (0 to 3), for the compaction.
    int HiddenKeypadRows() const;

    const CommonAccountControl* Find(int id) const;
    const CommonAccountControl& Control(int id) const { return *Find(id); }
    const std::map<int, CommonAccountControl>& Controls() const { return controls_; }

    // A row's protected display: its text, drawing mode and display key position.
    int32_t DisplayMode(size_t row) const { return displayModes_[row]; }
    int32_t DisplayOffset(size_t row) const;
    // What a row's display draws (mode 3: the asterisks). The caller wipes it.
    Text DisplayCharacters(size_t row) const;
    // Key caption protected under the key's own caption key position.
    Text KeyCaption(int index) const;
    int32_t CaptionKey(int index) const;
    // The character key whose caption shows `c`, or -1.
    int KeyShowing(char16_t c) const;

    const Text& PlainOutputForTesting() const { return plainOutput_; }

private:
    void BuildKeypad();
    void WriteKeyCaptions();
    void ApplyPresets();
    void MakeCurrent(int row);
    void LayOut(int row);
    void ShowKeys(bool digits, bool letters);
    void FunctionTypeTwoStart();
    void SwitchKeyboard(bool keypad);
    void ClearEntry(int row);
    void MinimumLengthCheck(int editedRow = -1, int character = 0, bool removes = false);
    bool RowPasses(size_t row, int editedRow, int character, bool removes) const;
    void SetHint(const Text& text);
    void MoveFocus(int id)
    {
        focus_ = id;
        ++focusMoves_;
    }
    void SetInactive(size_t row);
    void Highlight(size_t row);
    bool ReadRowValue(size_t row, Text& value);
    Text ConfirmationDocument() const;
    void ProtectKeypadOrder();
    void WipeEverything();
    void End(int result);
    int ActiveRow() const;
    bool Choosable(size_t row) const;
    CommonAccountControl& Mutable(int id) { return controls_[id]; }

    CommonAccountRequest& request_;
    MessageSink& messages_;
    ClipboardReader clipboard_;
    CommonAccountDocument document_;
    Countdown countdown_;
    std::map<int, CommonAccountControl> controls_;
    std::unique_ptr<DialogKey> key_;
    std::unique_ptr<KeypadOrder> order_;
    std::array<int32_t, common_account::kCharacterKeys> captionKeys_ {};
    std::array<std::unique_ptr<ProtectedEntry>, kCommonAccountRows> entries_;
    std::array<int32_t, kCommonAccountRows> displayModes_ {};
    std::array<bool, kCommonAccountRows> keypad_ {};
    std::array<Text, kCommonAccountRows> shownValue_;
    Text plainOutput_;
    Text protectedOutput_;
    int current_ = 0;
    int previousHighlighted_ = -1;
    int focus_ = 0;
    int focusMoves_ = 0;
    bool lowerCase_ = false;
    bool digitKeys_ = true;
    bool letterKeys_ = true;
    std::optional<int> result_;
};

} // namespace velkor
