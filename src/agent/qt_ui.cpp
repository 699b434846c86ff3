#include "agent/qt_ui.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

#include "dialogs/common_account_dialog.h"
#include "dialogs/dialog_window.h"
#include "dialogs/trans_com_dialog.h"
#include "dialogs/trans_deal_dialog.h"
#include "dialogs/trans_oth_dialog.h"
#include "dialogs/trans_set_dialog.h"
#include "dialogs/try_firm_dialog.h"
#include "dialogs/ui_message_sink.h"

namespace velkor {

namespace {

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtUi::~QtUi()
{
    while (waitCursors_ > 0) {
        SetArrowCursor();
    }
}

// No owner window, and the agent is not the browser's process: the box asks to stay above other
// windows and to take the focus, so that it opens in front of the page that is waiting for it
// rather than behind the browser. (A window manager may still refuse to hand over the focus.)
void QtUi::ShowMessage(std::u16string_view text, std::u16string_view caption)
{
    QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    ExecInFront(box);
}

void QtUi::SetWaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursors_;
}

void QtUi::SetArrowCursor()
{
    if (waitCursors_ > 0) {
        QGuiApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

int QtUi::RunConfirmation(ConfirmationRequest& request)
{
    UiMessageSink messages(*this);
    CTryFirm dialog(request, messages);
    return dialog.Run();
}

int QtUi::RunTransferAccount(TransferAccountRequest& request)
{
    UiMessageSink messages(*this);
    CTransSet dialog(request, messages);
    const int result = dialog.Run();
    if (result == 1) {
        dialog.Decisions().HandOver();
    }
    return result;
}

int QtUi::RunNetSelection(NetSelectionRequest& request)
{
    UiMessageSink messages(*this);
    FontSizeFile fonts = FontSizeFile::ForCurrentUser();
    switch (request.dialog) {
    case NetSelectionDialog::TransCom:
        return TransCom(request, messages, std::move(fonts)).Run();
    case NetSelectionDialog::TransOth:
        return TransOth(request, messages, std::move(fonts)).Run();
    case NetSelectionDialog::TransDeal:
        break;
    }
    return TransDeal(request, messages, std::move(fonts)).Run();
}

// Every file is offered: outside Windows the pattern "*.*" would hide names without a dot.
int QtUi::RunCommonAccountForm(CommonAccountRequest& request)
{
    UiMessageSink messages(*this);
    if (request.form == CommonAccountFormKind::WebAtm) {
        CWebComDlg dialog(request, messages);
        return dialog.Run();
    }
    CWebComNetDlg dialog(request, messages);
    return dialog.Run();
}

// Qt's own file dialog rather than the desktop's: it is a modal QDialog of this process, so a page
// that goes away closes it like every other dialog of its call (CancelOpenDialogs), and it stays
// above the browser like the message boxes. Every file is offered; the customer picks one that
// exists (it may still vanish before it is read, which the transfer handles).
std::optional<std::u16string> QtUi::ChooseFileToOpen()
{
    QFileDialog dialog(nullptr);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (ExecInFront(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdU16String();
}

} // namespace velkor
