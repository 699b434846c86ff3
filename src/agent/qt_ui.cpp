#include "agent/qt_ui.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

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

// No owner window: the box is application-modal and stays on top of whatever the customer sees.
void QtUi::ShowMessage(std::u16string_view text, std::u16string_view caption)
{
    QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
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

} // namespace velkor
