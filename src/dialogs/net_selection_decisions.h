#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "common/text.h"
#include "control/ui.h" // the dialog requests
#include "dialogs/countdown.h"
#include "dialogs/dialog_timers.h"
#include "dialogs/document_profile.h"
#include "dialogs/font_size_file.h"
#include "dialogs/message_sink.h"
#include "dialogs/parameter_document.h"

// What the three net-bank selection dialogs (TransDeal, TransCom, TransOth) share, without a
// window: reading the document, the font-size choice of the dialog's slot, the countdown, and
// handing the result over (plain and enciphered) when the dialog ends with OK. Each dialog's own
// class adds its controls and its OK. The Qt windows show the controls' state and forward the
// customer's clicks; tests and the script runner call the decisions directly.
namespace velkor {

namespace net_selection {

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kCountdownLabel = 1011;

inline constexpr int kConfirmed = 1;
inline constexpr int kCancelled = 2;

inline const Text kWindowTitle = u"霖州銀行_網路銀行";
inline const Text kFontSizeLabel = u"顯示字型";
inline const Text kCountdownTemplate = u"000秒後自動離開本畫面";
inline const Text kEncipherFailed = u"加密轉入約定轉入賬號資料失敗";
inline const Text kChooseAccount = u"請選擇正確帳號";
inline const Text kPresetIgnored = u"第%d項之預設值錯誤,忽略";

} // namespace net_selection

// What one control shows.
struct NetControl {
    Text text;
    bool visible = true;
    bool enabled = true;
    bool checked = false; // radio buttons and check boxes
    std::vector<Text> entries; // lists
    int32_t selected = -1; // lists: the selected entry, -1 for none
};

class NetSelectionDecisions {
public:
    // `request` must outlive this object; its document and keys are read at Start, its results
    // written when the dialog ends with OK.
    NetSelectionDecisions(DialogKind kind, NetSelectionRequest& request, DialogTimers& timers,
        MessageSink& messages, FontSizeFile fonts);
    virtual ~NetSelectionDecisions();
    NetSelectionDecisions(const NetSelectionDecisions&) = delete;
    NetSelectionDecisions& operator=(const NetSelectionDecisions&) = delete;

    // The dialog's initialisation. Returns the result when the dialog ended there (2: the
    // document could not be read).
    std::optional<int> Start();
    // One tick of timer `id`; after the end nothing happens.
    void Tick(int id);
    // OK (may leave the dialog open with a message) and Cancel.
    virtual void Ok() = 0;
    void Cancel();
    // One of the three font-size radio buttons; the choice is applied and remembered.
    void ChooseFontSize(int radioId);

    // 1 large, 2 medium, 3 small.
    int FontSize() const { return fontChoice_ + 1; }
    // The first of the three font-size radio buttons (large, medium, small follow in order).
    int FirstFontRadio() const { return firstFontRadio_; }
    const std::optional<Text>& Caption() const { return caption_; }
    std::optional<int> Result() const { return result_; }
    bool IsOpen() const { return !result_; }

    const NetControl* Find(int id) const;
    const NetControl& Control(int id) const { return *Find(id); }
    const std::map<int, NetControl>& Controls() const { return controls_; }

protected:
    // The dialog's own controls, once the document has been read.
    virtual void Initialise() = 0;

    NetControl& Mutable(int id) { return controls_[id]; }
    ParameterDocument& Document() { return *document_; }
    const ParameterDocument& Document() const { return *document_; }
    // The first element of the document, when it has one.
    DocumentElement* FirstElement();
    // The content of `element` in clear (deciphered again when it came enciphered). False, with
    // the document's failure message shown, when it does not decipher. The caller wipes `plain`.
    bool ElementContent(const DocumentElement& element, Text& plain);
    // The result for item `index` of `element` with `kind`: empty when the content does not
    // decipher or has no such item. The caller wipes it.
    Text ResultForItem(const DocumentElement& element, size_t index, char16_t kind);
    // Ends with OK, handing `result` over plain and enciphered (an encipherment failure is
    // told to the customer and leaves the enciphered result empty). `result` is wiped.
    void Finish(Text& result);
    void End(int result);

    NetSelectionRequest& request_;
    MessageSink& messages_;

private:
    void ShowCountdown();

    DialogKind kind_;
    Countdown countdown_;
    FontSizeFile fonts_;
    int fontSlot_;
    int firstFontRadio_;
    int32_t fontChoice_ = kFontLarge;
    ParameterDocumentReader reader_;
    std::optional<ParameterDocument> document_;
    std::optional<Text> caption_;
    std::map<int, NetControl> controls_;
    std::optional<int> result_;
};

} // namespace velkor
