#pragma once

#include "agent/scripted_dialog.h"
#include "dialogs/common_account_form.h"
#include "dialogs/virtual_dialog_timers.h"

// The script runner's hold on the common-account entry forms CWebComDlg and CWebComNetDlg: their
// decisions on a virtual clock, driven as the window drives them (focus enters an edit or list
// before it is used, pastes read a clipboard holding the script's text).
namespace velkor {

class ScriptedCommonAccount final : public ScriptedDialog {
public:
    ScriptedCommonAccount(CommonAccountRequest& request, MessageSink& messages);

    std::optional<int> Start() { return form_.Start(); }
    std::optional<int> Result() const { return form_.Result(); }
    void Cancel() { form_.Cancel(); }

    std::optional<ControlView> Control(int id) const override;
    bool IsOpen() const override { return !form_.Result(); }
    void Advance(int64_t milliseconds) override { timers_.Advance(milliseconds); }
    bool Click(int id, std::string& problem) override;
    bool Select(int id, int index, std::string& problem) override;
    bool Keys(int id, const Text& keys, std::string& problem) override;
    bool Paste(int id, const Text& text, std::string& problem) override;
    bool Type(const Text& text, std::string& problem) override;
    bool ClickRow(int row, std::string& problem) override;

private:
    // The row of edit `id`, made current as focus entering it does; -1 (with `problem`) when `id`
    // is not a usable edit.
    int FocusEdit(int id, std::string& problem);
    // Inserts at the end of `row`'s edit what fits under its limit.
    void Insert(int row, const Text& text);

    VirtualDialogTimers timers_;
    Text clipboard_;
    CommonAccountForm form_;
};

} // namespace velkor
