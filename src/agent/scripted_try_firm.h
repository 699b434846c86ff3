#pragma once

#include "agent/scripted_dialog.h"
#include "dialogs/try_firm_decisions.h"
#include "dialogs/virtual_dialog_timers.h"

// The script runner's hold on the confirmation dialog CTryFirm: its decisions on a virtual clock.
namespace velkor {

class ScriptedTryFirm final : public ScriptedDialog {
public:
    ScriptedTryFirm(ConfirmationRequest& request, MessageSink& messages);

    // The dialog's initialisation; the result when it ended there (101, 102).
    std::optional<int> Start() { return decisions_.Start(); }
    std::optional<int> Result() const { return decisions_.Result(); }
    void Cancel() { decisions_.Cancel(); }

    std::optional<ControlView> Control(int id) const override;
    bool IsOpen() const override { return !decisions_.Result(); }
    void Advance(int64_t milliseconds) override { timers_.Advance(milliseconds); }
    bool Click(int id, std::string& problem) override;

private:
    VirtualDialogTimers timers_;
    TryFirmDecisions decisions_;
};

} // namespace velkor
