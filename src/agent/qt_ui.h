#pragma once

#include "control/ui.h"

// The control's Ui on a desktop: Qt message boxes and the application's override cursor. Needs a
// QApplication on the calling thread, which runs every box modally.
namespace velkor {

class QtUi final : public Ui {
public:
    QtUi() = default;
    ~QtUi() override;

    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    void SetWaitCursor() override;
    void SetArrowCursor() override;
    // The confirmation dialog CTryFirm, modal and above other windows; its messages are this Ui's
    // message boxes.
    int RunConfirmation(ConfirmationRequest& request) override;
    // The common-account entry form of the request's kind (CWebComDlg or CWebComNetDlg), modal
    // and above other windows.
    int RunCommonAccountForm(CommonAccountRequest& request) override;
    // The transfer-account dialog the request names (CTransSet or CTransSetNet); after OK its
    // outputs are filled.
    int RunTransferAccount(TransferAccountRequest& request) override;
    // TransDeal, TransCom or TransOth, modal and above other windows, with the customer's font
    // sizes from the user's configuration folder.
    int RunNetSelection(NetSelectionRequest& request) override;
    // Qt's own open-file dialog (not the desktop's), without owner, for any file: modal, in
    // front, and closed with the call's other dialogs when the page goes away.
    std::optional<std::u16string> ChooseFileToOpen() override;

private:
    int waitCursors_ = 0; // override cursors this Ui set and has not restored yet
};

} // namespace velkor
