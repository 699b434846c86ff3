#include "dialogs/protected_display_sink.h"

#include <QPointer>

namespace velkor {

ProtectedEntry::DisplaySink ShowOn(CSecureStatic& display)
{
    // The entry may outlive its display while a dialog is torn down.
    return [target = QPointer<CSecureStatic>(&display)](const DisplayUpdate& update) {
        if (target.isNull()) {
            return;
        }
        if (update.cleared) {
            target->SetBkColor(Qt::white, false);
        }
        target->SetText(update.text, update.mode);
    };
}

} // namespace velkor
