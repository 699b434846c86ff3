#pragma once

#include "agent/scripted_dialog.h"
#include "agent/scripted_edit.h"
#include "dialogs/input_filter.h"
#include "dialogs/trans_set_decisions.h"
#include "dialogs/virtual_dialog_timers.h"

// The script runner's hold on the transfer-account dialogs CTransSet and CTransSetNet: their
// decisions on a virtual clock, with the edit fields typed into through the dialogs' key filters.
namespace velkor {

class ScriptedTransSet final : public ScriptedDialog {
public:
    ScriptedTransSet(TransferAccountRequest& request, MessageSink& messages);

    std::optional<int> Start() { return decisions_.Start(); }
    std::optional<int> Result() const { return decisions_.Result(); }
    void Cancel() { decisions_.Cancel(); }
    void HandOver() { decisions_.HandOver(); }

    std::optional<ControlView> Control(int id) const override;
    bool IsOpen() const override { return !decisions_.Result(); }
    void Advance(int64_t milliseconds) override { timers_.Advance(milliseconds); }
    bool Click(int id, std::string& problem) override;
    bool Select(int id, int index, std::string& problem) override;
    bool Keys(int id, const Text& keys, std::string& problem) override;
    bool Paste(int id, const Text& text, std::string& problem) override;
    bool Type(const Text& text, std::string& problem) override;

private:
    bool Edit(int id, std::string& problem,
        const std::function<void(Text&, const EditKeyFilter&, const OkDecision&)>& change);

    VirtualDialogTimers timers_;
    TransSetDecisions decisions_;
    Text clipboard_;
    AccountInputFilter accountFilter_;
    EmailInputFilter emailFilter_;
};

} // namespace velkor
