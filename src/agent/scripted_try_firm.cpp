#include "agent/scripted_try_firm.h"

namespace velkor {

ScriptedTryFirm::ScriptedTryFirm(ConfirmationRequest& request, MessageSink& messages)
    : decisions_(request, timers_, messages)
{
    timers_.SetHandler([this](int id) { decisions_.Tick(id); });
}

std::optional<ControlView> ScriptedTryFirm::Control(int id) const
{
    const TryFirmControl* control = decisions_.Find(id);
    if (control == nullptr) {
        return std::nullopt;
    }
    ControlView view { control->text, control->enabled, control->visible };
    if (id == try_firm::kProtectedAccount) {
        view.text = decisions_.AccountDisplayCharacters();
    }
    return view;
}

bool ScriptedTryFirm::Click(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    if (id == try_firm::kOk) {
        decisions_.Ok();
    } else if (id == try_firm::kCancel) {
        decisions_.Cancel();
    } else {
        problem = "control " + std::to_string(id) + " is not a button";
        return false;
    }
    return true;
}

} // namespace velkor
