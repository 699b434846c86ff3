#include <QFileDialog>

#include "agent/qt_ui.h"

namespace velkor {

// Qt's own file dialog rather than the desktop's: it is a modal QDialog of this process, so a page
// that goes away closes it like every other dialog of its call (CancelOpenDialogs), and it stays
// above the browser like the message boxes. Every file is offered; the customer picks one that
// exists (it may still vanish before it is read, which the transfer handles).
std::optional<std::u16string> QtUi::ChooseFileToOpen()
{
    QFileDialog dialog(nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    return std::u16string(
        reinterpret_cast<const char16_t*>(path.utf16()), static_cast<size_t>(path.size()));
}

} // namespace velkor
