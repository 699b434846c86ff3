#include "dialogs/qt_message_sink.h"

#include <QMessageBox>

namespace velkor {

void QtMessageSink::ShowMessage(const Text& text, const Text& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdU16String(caption),
        QString::fromStdU16String(text), QMessageBox::Ok);
    box.exec();
}

} // namespace velkor
