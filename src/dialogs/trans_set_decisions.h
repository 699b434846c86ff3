#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "common/text.h"
#include "control/ui.h"
#include "dialogs/countdown.h"
#include "dialogs/dialog_timers.h"
#include "dialogs/keyboard_mode.h"
#include "dialogs/message_sink.h"
#include "dialogs/parameter_document.h"
#include "dialogs/protected_entry.h"
#include "dialogs/transfer_account_results.h"

// What the transfer-account dialogs decide, without a window: the web-ATM CTransSet and the
// net-bank CTransSetNet. The customer chooses an agreed account, a common account or types
// another account (on the on-screen keypad or, where the document allows, in an edit field); at
// OK the choice becomes two results, each also enciphered under the page's session key. The Qt
// window shows the state and forwards its events here; tests and the script runner call it
// directly.
namespace velkor {

namespace trans_set {

// Control ids of the dialogs.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAccountEdit = 1001;
inline constexpr int kEmailEdit = 1002; // web ATM only
inline constexpr int kFrames[] = { 1011, 1012, 1013 };
inline constexpr int kAccountLabel = 1014;
inline constexpr int kTypedDisplay = 1015;
inline constexpr int kCountdownLabel = 1016;
inline constexpr int kEmailLabel = 1017; // web ATM only
inline constexpr int kEmailHint = 1018; // web ATM only
inline constexpr int kAgreedRadio = 1037;
inline constexpr int kCommonRadio = 1038;
inline constexpr int kOtherRadio = 1039;
inline constexpr int kGraphicRadio = 1040;
inline constexpr int kGeneralRadio = 1041;
inline constexpr int kFirstKey = 1042; // keypad positions 0 to 9 are 1042 to 1051
inline constexpr int kCorrectionKey = 1052;
inline constexpr int kClearKey = 1053;
inline constexpr int kAddToCommon = 1081;
inline constexpr int kCommonList = 1091;
inline constexpr int kBankList = 1092;
inline constexpr int kAgreedList = 1093;
inline constexpr int kGroupList = 1094; // net bank only

inline constexpr int kConfirmed = 1;
inline constexpr int kCancelled = 2;
inline constexpr size_t kAccountChars = 16;

inline const Text kWebAtmTitle = u"霖州銀行_網路Orvo";
inline const Text kNetBankTitle = u"霖州銀行_網路銀行";
inline const Text kTypedAccountTip = u"必須使用一般鍵盤輸入數字";
inline const Text kEncipherFailed = u"加密轉入約定轉入賬號資料失敗";
inline const Text kAllGroups = u"群組-全部";
inline const Text kGroupPrefix = u"群組-";

} // namespace trans_set

enum class TransferAccountKind { kAgreed, kCommon, kOther };

// What one control shows. Lists show their entries (ListEntries) and selection.
struct TransSetControl {
    Text text;
    bool visible = true;
    bool enabled = true;
    bool checked = false; // radio buttons and the check box
    Text tooltip;
};

class TransSetDecisions {
public:
    // `request` (document, session-key texts, outputs) must outlive this object.
    TransSetDecisions(TransferAccountRequest& request, DialogTimers& timers, MessageSink& messages,
        KeypadDraw draw = SystemKeypadDraw);
    ~TransSetDecisions();
    TransSetDecisions(const TransSetDecisions&) = delete;
    TransSetDecisions& operator=(const TransSetDecisions&) = delete;

    // The dialog's initialisation. Returns the result (2) when the document cancels the dialog
    // before it is shown.
    std::optional<int> Start();
    // One tick of window timer `id` (the countdown, 4097).
    void Tick(int id);

    // A click on a button, radio button, check box, keypad key or the protected display.
    void Click(int id);
    // The focus arrives at a list or at the account edit field.
    void Focus(int id);
    // The customer chooses entry `index` of list `id` (it takes the focus first).
    void SelectItem(int id, int index);
    // What the edit fields hold now (the window reports every change). The e-mail field keeps at
    // most 150 characters.
    void SetAccountText(const Text& text);
    void SetEmailText(const Text& text);
    // The account field's key filter decides on the OK button.
    void FilterSetsOk(bool enabled);
    // True while the account edit field is where the account is typed (its filter applies).
    bool AccountEditActive() const { return modes_.EditIsActiveEntry(); }

    void Ok();
    void Cancel();

    // After OK: moves the four results into the request and wipes the dialog's copies.
    void HandOver();

    std::optional<int> Result() const { return result_; }
    TransferAccountDialog Dialog() const { return dialog_; }
    const Text& Title() const { return title_; }
    TransferAccountKind Kind() const { return kind_; }
    const EntryStyle& Style() const { return modes_.Style(); }
    bool OkEnabled() const { return Control(trans_set::kOk).enabled; }

    const TransSetControl* Find(int id) const;
    const TransSetControl& Control(int id) const { return *Find(id); }
    const std::map<int, TransSetControl>& Controls() const { return controls_; }
    // The entries of list `id` and its selection (-1: none).
    std::vector<Text> ListEntries(int id) const;
    int ListSelection(int id) const;
    // The account edit field's and the e-mail field's text.
    const Text& AccountText() const { return accountText_; }
    const Text& EmailText() const { return emailText_; }
    // The control the dialog wants the focus on, once (the edit field after a refused account).
    std::optional<int> TakeFocusRequest();

    // The keypad: the dialog key and order the window captions its keys with, the character of
    // a position (0 when it has none; used by the script runner), and the protected display.
    const DialogKey& Key() const { return key_; }
    const KeypadOrder& Order() const { return order_; }
    char16_t KeyCharacter(size_t position) const
    {
        return order_.CharacterAt(position, false, key_);
    }
    size_t TypedCount() const { return entry_.Count(); }
    const DisplayUpdate& Display() const { return display_; }
    int32_t DisplayOffset() const { return entry_.DisplayOffset(); }
    // What the protected display draws, in plain characters. The caller wipes it.
    Text DisplayCharacters() const;

    // The results built at OK (empty before OK and after HandOver).
    const transfer_account::AccountResults& Results() const { return results_; }
    const Text& EncipheredFirst() const { return encipheredFirst_; }
    const Text& EncipheredSecond() const { return encipheredSecond_; }

private:
    // Where a list entry comes from: an element of the document and an item of its list.
    struct Source {
        size_t element;
        size_t item;
    };
    struct ChoiceList {
        std::vector<Source> sources;
        int selected = -1;
    };

    void PlaceElements();
    void PlaceNetBankElements();
    void FillCommonList();
    void ApplyAvailability();
    void SelectKind(TransferAccountKind kind);
    bool KindEnabled(TransferAccountKind kind) const;
    void FillEmailFromCommon();
    void UpdateOk();
    void PressKey(int id);
    void ChooseKeyboard(KeyboardMode mode);
    void ApplyKeyboardChange(const KeyboardModeChange& change);
    // The chosen item of list `id`, read again from its element (deciphered again when the
    // element is enciphered). False when there is none or it does not decipher.
    bool ReadChosenItem(int id, Text& item, bool& decipherFailed);
    bool BuildResults();
    void EncipherResults();
    void End(int result);
    void ReleaseDocument();
    ChoiceList* ListOf(int id);
    const ChoiceList* ListOf(int id) const;
    TransSetControl& Mutable(int id) { return controls_[id]; }

    TransferAccountRequest& request_;
    TransferAccountDialog dialog_;
    MessageSink& messages_;
    KeypadDraw draw_;
    ParameterDocumentReader reader_;
    ParameterDocument document_;
    DialogKey key_;
    KeypadOrder order_;
    ProtectedEntry entry_;
    DisplayUpdate display_;
    KeyboardModeSwitch modes_ { EntryStyleFor(0) };
    Countdown countdown_;
    std::map<int, TransSetControl> controls_;
    std::map<int, ChoiceList> lists_;
    std::vector<size_t> groups_; // net bank: the elements of the common-account groups
    int groupSelected_ = -1;
    bool agreedAvailable_ = false;
    bool commonAvailable_ = false;
    bool bankAvailable_ = false;
    TransferAccountKind kind_ = TransferAccountKind::kAgreed;
    char16_t kindCharacter_ = transfer_account::kAgreedKind;
    Text title_;
    Text accountText_;
    Text emailText_;
    transfer_account::AccountResults results_;
    Text encipheredFirst_;
    Text encipheredSecond_;
    std::optional<int> focusRequest_;
    std::optional<int> result_;
};

} // namespace velkor
