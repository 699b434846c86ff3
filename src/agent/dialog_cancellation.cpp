#include "agent/dialog_cancellation.h"

#include <QApplication>
#include <QDialog>

namespace velkor {

void CancelOpenDialogs()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    // A dialog may open another (a message box over a dialog); a bound keeps a widget that
    // refuses to close from holding us here.
    for (int round = 0; round < 16; ++round) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        dialog->reject();
    }
}

} // namespace velkor
