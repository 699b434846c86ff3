#pragma once

#include <memory>

#include "agent/scripted_dialog.h"
#include "dialogs/net_selection_decisions.h"
#include "dialogs/virtual_dialog_timers.h"

// The script runner's hold on the net-bank selection dialogs (TransDeal, TransCom, TransOth):
// their decisions on a virtual clock, and their lists, edit fields and keypad driven as the
// windows drive them.
namespace velkor {

class ScriptedNetSelection : public ScriptedDialog {
public:
    // The adapter of the dialog `request` names; its messages go to `messages`.
    static std::unique_ptr<ScriptedNetSelection> For(
        NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts);
    // The class name a script expects.
    static const char* NameOf(NetSelectionDialog dialog);

    std::optional<int> Start() { return Decisions().Start(); }
    std::optional<int> Result() const { return Decisions().Result(); }
    void Cancel() { Decisions().Cancel(); }

    std::optional<ControlView> Control(int id) const override;
    bool IsOpen() const override { return Decisions().IsOpen(); }
    void Advance(int64_t milliseconds) override { timers_.Advance(milliseconds); }
    bool Click(int id, std::string& problem) override;

protected:
    ScriptedNetSelection();
    void Attach(NetSelectionDecisions& decisions);
    NetSelectionDecisions& Decisions() const { return *decisions_; }
    // The dialog's own buttons (not OK, Cancel or the font sizes).
    virtual bool ClickOwn(int id, std::string& problem);
    // What a dialog's own control shows, when the decisions' state does not say it.
    virtual std::optional<Text> OwnText(int id) const;

    VirtualDialogTimers timers_;

private:
    NetSelectionDecisions* decisions_ = nullptr;
};

} // namespace velkor
