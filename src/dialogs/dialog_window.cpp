#include "dialogs/dialog_window.h"

#include <QKeyEvent>

namespace velkor {

namespace {

// The results of a window that ends without its decisions having decided (a plain done()).
constexpr int kAcceptedResult = 1;
constexpr int kRejectedResult = 2;

} // namespace

void KeepInFront(QDialog& dialog)
{
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog.setModal(true);
}

int ExecInFront(QDialog& dialog)
{
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    return dialog.exec();
}

DialogWindow::DialogWindow(QWidget* parent)
    : QDialog(parent)
    , timers_([this](int id) { Tick(id); })
{
    KeepInFront(*this);
}

int DialogWindow::Run()
{
    if (const std::optional<int> ended = Prepare()) {
        return *ended;
    }
    const int shown = ExecInFront(*this);
    return DecidedResult().value_or(shown == QDialog::Accepted ? kAcceptedResult : kRejectedResult);
}

QWidget* DialogWindow::Tag(QWidget* widget, int id)
{
    Name(widget, id);
    controls_[id] = widget;
    return widget;
}

void DialogWindow::Name(QWidget* widget, int id)
{
    widget->setProperty(kControlIdProperty, id);
    widget->setObjectName(QStringLiteral("control_%1").arg(id));
}

QWidget* DialogWindow::Tagged(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QWidget* DialogWindow::ControlWidget(int id) const
{
    if (QWidget* tagged = Tagged(id)) {
        return tagged;
    }
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->property(kControlIdProperty).toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

void DialogWindow::ShowState()
{
    if (showingState_) {
        return;
    }
    showingState_ = true;
    Refresh();
    showingState_ = false;
    TakeFocus();
}

void DialogWindow::Act(const std::function<void()>& action)
{
    if (showingState_) {
        return;
    }
    action();
    ShowState();
    FinishIfEnded();
}

void DialogWindow::Tick(int id)
{
    Act([this, id] { TickDecisions(id); });
}

void DialogWindow::reject()
{
    Act([this] { CancelDecisions(); });
}

void DialogWindow::FinishIfEnded()
{
    if (const std::optional<int> result = DecidedResult()) {
        timers_.StopAll();
        done(*result);
    }
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace velkor
