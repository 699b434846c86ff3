#include "agent/scripted_dialog.h"

namespace velkor {

bool ScriptedDialog::Usable(int id, std::string& problem) const
{
    const std::optional<ControlView> control = Control(id);
    if (!control) {
        problem = "the dialog has no control " + std::to_string(id);
    } else if (!control->visible) {
        problem = "control " + std::to_string(id) + " is hidden";
    } else if (!control->enabled) {
        problem = "control " + std::to_string(id) + " is disabled";
    } else {
        return true;
    }
    return false;
}

bool ScriptedDialog::Select(int id, int, std::string& problem)
{
    if (Usable(id, problem)) {
        problem = "control " + std::to_string(id) + " is not a list";
    }
    return false;
}

bool ScriptedDialog::Keys(int id, const Text&, std::string& problem)
{
    if (Usable(id, problem)) {
        problem = "control " + std::to_string(id) + " is not an edit";
    }
    return false;
}

bool ScriptedDialog::Paste(int id, const Text&, std::string& problem)
{
    if (Usable(id, problem)) {
        problem = "control " + std::to_string(id) + " is not an edit";
    }
    return false;
}

bool ScriptedDialog::Type(const Text&, std::string& problem)
{
    problem = "the dialog has no on-screen keypad";
    return false;
}

bool ScriptedDialog::ClickRow(int, std::string& problem)
{
    problem = "the dialog has no rows to choose by mouse";
    return false;
}

bool ScriptedDialog::File(const Text&, std::string& problem)
{
    problem = "the dialog is not the open-file dialog";
    return false;
}

} // namespace velkor
