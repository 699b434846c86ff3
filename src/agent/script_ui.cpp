#include "agent/script_ui.h"

#include <cmath>
#include <iostream>

#include "agent/scripted_common_account.h"
#include "agent/scripted_file_open.h"
#include "agent/scripted_net_selection.h"
#include "agent/scripted_trans_set.h"
#include "agent/scripted_try_firm.h"
#include "agent/simulator_cards.h"
#include "common/wait.h"
#include "dialogs/ui_message_sink.h"

namespace velkor {

ScriptUi::ScriptUi(DialogScript script, std::ostream* out)
    : script_(std::move(script))
    , out_(out != nullptr ? out : &std::cerr)
    , printer_(out_)
{
}

void ScriptUi::ShowMessage(std::u16string_view text, std::u16string_view caption)
{
    printer_.ShowMessage(text, caption);
    messages_.emplace_back(text);
}

void ScriptUi::Report(const std::string& problem)
{
    ++problems_;
    *out_ << "velkor call: script: " << where_ << problem << "\n" << std::flush;
}

const ScriptedDialogEntry* ScriptUi::TakeEntry(const std::string& name)
{
    where_ = "dialog " + std::to_string(next_ + 1) + " (" + name + "): ";
    if (next_ >= script_.dialogs.size()) {
        Report("opened with no entry left in the script; cancelled");
        return nullptr;
    }
    const ScriptedDialogEntry& entry = script_.dialogs[next_++];
    if (entry.expect != name) {
        Report("the script expects " + entry.expect + "; cancelled");
        return nullptr;
    }
    return &entry;
}

template <typename Dialog>
void ScriptUi::Play(const ScriptedDialogEntry& entry, Dialog& dialog, const Text& reader)
{
    dialog.Start();
    RunActions(entry, dialog, reader);
    if (dialog.IsOpen()) {
        Report("still open when its actions ended; cancelled");
        dialog.Cancel();
    }
}

int ScriptUi::RunConfirmation(ConfirmationRequest& request)
{
    messages_.clear();
    const ScriptedDialogEntry* entry = TakeEntry("CTryFirm");
    if (entry == nullptr) {
        return 2;
    }
    UiMessageSink messages(*this);
    ScriptedTryFirm dialog(request, messages);
    Play(*entry, dialog, request.reader);
    return dialog.Result().value_or(2);
}

int ScriptUi::RunTransferAccount(TransferAccountRequest& request)
{
    messages_.clear();
    const ScriptedDialogEntry* entry
        = TakeEntry(request.dialog == TransferAccountDialog::WebAtm ? "CTransSet" : "CTransSetNet");
    if (entry == nullptr) {
        return 2;
    }
    UiMessageSink messages(*this);
    ScriptedTransSet dialog(request, messages);
    Play(*entry, dialog, Text(request.reader));
    const int result = dialog.Result().value_or(2);
    if (result == 1) {
        dialog.HandOver();
    }
    return result;
}

int ScriptUi::RunNetSelection(NetSelectionRequest& request)
{
    messages_.clear();
    const ScriptedDialogEntry* entry = TakeEntry(ScriptedNetSelection::NameOf(request.dialog));
    if (entry == nullptr) {
        return 2;
    }
    UiMessageSink messages(*this);
    auto dialog = ScriptedNetSelection::For(request, messages, FontSizeFile::ForCurrentUser());
    Play(*entry, *dialog, Text());
    return dialog->Result().value_or(2);
}

int ScriptUi::RunCommonAccountForm(CommonAccountRequest& request)
{
    messages_.clear();
    const bool web = request.form == CommonAccountFormKind::WebAtm;
    const ScriptedDialogEntry* entry = TakeEntry(web ? "CWebComDlg" : "CWebComNetDlg");
    if (entry == nullptr) {
        return 2;
    }
    UiMessageSink messages(*this);
    ScriptedCommonAccount dialog(request, messages);
    Play(*entry, dialog, request.reader);
    return dialog.Result().value_or(2);
}

std::optional<std::u16string> ScriptUi::ChooseFileToOpen()
{
    messages_.clear();
    const ScriptedDialogEntry* entry = TakeEntry("FileOpen");
    if (entry == nullptr) {
        return std::nullopt;
    }
    ScriptedFileOpen dialog;
    RunActions(*entry, dialog, Text());
    if (dialog.IsOpen()) {
        Report("still open when its actions ended; cancelled");
        dialog.Cancel();
    }
    return dialog.Chosen();
}

void ScriptUi::RunActions(
    const ScriptedDialogEntry& entry, ScriptedDialog& dialog, const Text& reader)
{
    using Kind = ScriptAction::Kind;
    const std::string dialogWhere = where_;
    size_t number = 0;
    for (const ScriptAction& action : entry.actions) {
        where_ = dialogWhere + "action " + std::to_string(++number) + " " + action.source + ": ";
        if (action.kind == Kind::kExpectMessage) {
            bool shown = false;
            for (const Text& message : messages_) {
                shown = shown || message == action.text;
            }
            if (!shown) {
                Report("no such message since the previous action");
            }
            continue;
        }
        messages_.clear();
        if (!dialog.IsOpen()) {
            Report("the dialog has closed");
            continue;
        }
        std::string problem;
        bool done = true;
        switch (action.kind) {
        case Kind::kClick:
            done = dialog.Click(action.control, problem);
            break;
        case Kind::kClickRow:
            done = dialog.ClickRow(action.index, problem);
            break;
        case Kind::kSelect:
            done = dialog.Select(action.control, action.index, problem);
            break;
        case Kind::kKeys:
            done = dialog.Keys(action.control, action.text, problem);
            break;
        case Kind::kPaste:
            done = dialog.Paste(action.control, action.text, problem);
            break;
        case Kind::kType:
            done = dialog.Type(action.text, problem);
            break;
        case Kind::kWait: {
            // Virtual time: the card session's fixed waits inside the probes take none either.
            ScopedWaitHook instant([](int) {});
            dialog.Advance(std::llround(action.seconds * 1000));
            break;
        }
        case Kind::kCard:
            done = reader.empty() ? (problem = "the dialog names no reader", false)
                                  : MoveSimulatorCard(reader, action.insertCard, problem);
            break;
        case Kind::kExpect:
            for (const auto& [id, expected] : action.expectations) {
                const std::optional<ControlView> control = dialog.Control(id);
                const std::string name = "control " + std::to_string(id);
                if (!control) {
                    Report("the dialog has no " + name);
                    continue;
                }
                if (expected.text && *expected.text != control->text) {
                    Report(name + " shows \"" + TextToUtf8(control->text) + "\", expected \""
                        + TextToUtf8(*expected.text) + "\"");
                }
                if (expected.enabled && *expected.enabled != control->enabled) {
                    Report(name + (control->enabled ? " is enabled" : " is disabled"));
                }
                if (expected.visible && *expected.visible != control->visible) {
                    Report(name + (control->visible ? " is visible" : " is hidden"));
                }
            }
            break;
        case Kind::kFile:
            done = dialog.File(action.text, problem);
            break;
        case Kind::kExpectMessage:
            break;
        }
        if (!done) {
            Report(problem);
        }
    }
    where_ = dialogWhere;
}

} // namespace velkor
