#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "agent/dialog_script.h"
#include "control/headless_ui.h"

// The Ui of `velkor call --ui script=FILE`: each dialog that opens takes the script's next entry
// and runs its actions in virtual time; message boxes are acknowledged at once and written to
// standard error as with --ui none. Every problem (a dialog of another class, a failed
// expectation, an action that cannot be done or comes after its dialog closed, a dialog left
// open or opening with no entry left) is written to standard error and counted; the calls go on.
namespace velkor {

class ScriptedDialog;

class ScriptUi final : public Ui {
public:
    explicit ScriptUi(DialogScript script, std::ostream* out = nullptr);

    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }
    int RunConfirmation(ConfirmationRequest& request) override;
    int RunCommonAccountForm(CommonAccountRequest& request) override;
    // CTransSet or CTransSetNet, as the request names; after OK its outputs are filled.
    int RunTransferAccount(TransferAccountRequest& request) override;
    // TransDeal, TransCom and TransOth, with the customer's font sizes as the windows keep them.
    int RunNetSelection(NetSelectionRequest& request) override;
    std::optional<std::u16string> ChooseFileToOpen() override;

    // Problems reported so far; `velkor call` exits 3 when there were any.
    int Problems() const { return problems_; }

private:
    // The next entry for a dialog of class `name`, or nullptr (reported) when the dialog must be
    // cancelled: no entry left, or one expecting another class.
    const ScriptedDialogEntry* TakeEntry(const std::string& name);
    // Runs the entry's actions on an open (or already closed) dialog. `reader` is the reader
    // whose card the card actions move.
    void RunActions(const ScriptedDialogEntry& entry, ScriptedDialog& dialog, const Text& reader);
    // Opens `dialog`, runs the entry's actions in it and cancels it (reported) when they leave
    // it open.
    template <typename Dialog>
    void Play(const ScriptedDialogEntry& entry, Dialog& dialog, const Text& reader);
    void Report(const std::string& problem);

    DialogScript script_;
    std::ostream* out_;
    HeadlessUi printer_;
    size_t next_ = 0;
    std::string where_;
    std::vector<Text> messages_; // shown since the previous action
    int problems_ = 0;
};

} // namespace velkor
