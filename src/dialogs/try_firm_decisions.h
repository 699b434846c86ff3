#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "common/text.h"
#include "control/ui.h"
#include "dialogs/dialog_timers.h"
#include "dialogs/message_sink.h"

// What the confirmation dialog CTryFirm decides, without a window: the texts and rows it shows,
// the checks of the page's description against the transaction, the customer's proof of presence
// (pull the card, put it back, press OK within one budget of seconds) on timers 4097 and 4100,
// and, for the web-ATM transfer, the transfer code and the enciphered result. The Qt window
// shows the state and forwards its events here; tests and the script runner call it directly.
namespace velkor {

namespace try_firm {

// Control ids of the dialog.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kEmailField = 1001;
inline constexpr int kTitle = 1011;
inline constexpr int kNotice = 1012;
inline constexpr int kSubtitle = 1013;
inline constexpr int kProtectedAccount = 1021;
inline constexpr int kInstruction = 1030;
inline constexpr int kAnimation = 1036;

inline constexpr int kRemovalTimerId = 4097;
inline constexpr int kConfirmTimerId = 4100;
inline constexpr int kTickMilliseconds = 250;
inline constexpr int32_t kSecondsBudget = 59;

// The table rows, top to bottom: label control and value control.
struct Row {
    int label;
    int value;
};
inline constexpr Row kRows[] = { { 1014, 1015 }, { 1016, 1017 }, { 1018, 1019 }, { 1020, 1021 },
    { 1022, 1023 }, { 1024, 1025 }, { 1026, kEmailField }, { 1028, 1029 } };

// The control that shows tag `number` (1 to 19).
int ControlOfTag(int number);

// Results of the dialog.
inline constexpr int kConfirmed = 1;
inline constexpr int kCancelled = 2;
inline constexpr int kFirstCheckFailed = 101;
inline constexpr int kLaterCheckFailed = 102;

inline const Text kWindowTitle = u"霖州銀行_網路Orvo";
inline const Text kCipherCaption = u"霖州商業銀行 WEB ATM";
inline const Text kCipherDataError = u"加密資料錯誤";
inline const Text kPlugTimeOut = u"超過允許插拔時間,取消交易";
inline const Text kConfirmTimeOut = u"超過允許交易時間，取消交易。";

} // namespace try_firm

// What one control shows.
struct TryFirmControl {
    Text text;
    bool visible = true;
    bool enabled = true;
};

class TryFirmDecisions {
public:
    // `request` (its probe, its transfer outputs) must outlive this object.
    TryFirmDecisions(ConfirmationRequest& request, DialogTimers& timers, MessageSink& messages);
    ~TryFirmDecisions();
    TryFirmDecisions(const TryFirmDecisions&) = delete;
    TryFirmDecisions& operator=(const TryFirmDecisions&) = delete;

    // The dialog's initialisation: reads the document, runs the checks, lays out the rows and
    // starts timer 4097. Returns the result when the dialog ends before it is shown (101 or 102).
    std::optional<int> Start();
    // One tick of timer `id`; ticks of a stopped timer or after the end do nothing.
    void Tick(int id);
    // OK (ignored while OK is disabled), Cancel, and Enter (swallowed: it never confirms).
    void Ok();
    void Cancel();
    void Enter() { }

    std::optional<int> Result() const { return result_; }
    int32_t SecondsLeft() const { return secondsLeft_; }
    bool OkEnabled() const { return Control(try_firm::kOk).enabled; }

    // Every control's state by id (1, 2, 1001, 1011 to 1030, 1036); nullptr for another id.
    const TryFirmControl* Find(int id) const;
    const TryFirmControl& Control(int id) const { return *Find(id); }
    const std::map<int, TryFirmControl>& Controls() const { return controls_; }
    // The protected display 1021: its window text, drawing mode and display key position.
    int32_t AccountDisplayMode() const { return accountMode_; }
    int32_t AccountDisplayOffset() const { return accountOffset_; }
    // What 1021 draws: the plain text (deciphered in a protected mode). The caller wipes it.
    Text AccountDisplayCharacters() const;
    // The type-23 transfer code (empty for other types).
    const Text& TransferCode() const { return transferCode_; }

private:
    bool RunChecks();
    void ShowTransferFields();
    void LayOutRows();
    void RemovalTick();
    void ConfirmTick();
    void End(int result);
    void FillTransferOutputs();
    Text ConfirmText() const;
    int32_t Probe() const;
    TryFirmControl& Mutable(int id) { return controls_[id]; }
    void SetText(int id, const Text& text) { controls_[id].text = text; }

    ConfirmationRequest& request_;
    DialogTimers& timers_;
    MessageSink& messages_;
    std::map<int, TryFirmControl> controls_;
    std::array<std::optional<Text>, 19> tags_;
    int32_t accountMode_ = 6;
    int32_t accountOffset_ = 0;
    int32_t secondsLeft_ = try_firm::kSecondsBudget;
    int removalTicks_ = 0;
    int confirmTicks_ = 0;
    int removalCount_ = 0;
    bool removalRunning_ = false;
    bool confirmRunning_ = false;
    Text transferCode_;
    std::optional<int> result_;
};

} // namespace velkor
