#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>

#include "dialogs/qt_dialog_timers.h"

// The frame the secure dialogs' windows share: controls found by their template id, window timers
// whose ticks go to the decisions, and a modal run above other windows that returns what the
// decisions decided. A window built on it shows its decisions' state and forwards the customer's
// actions to them; the decisions (plain classes) decide.
namespace velkor {

// A dialog that stays above other windows (the browser is not its owner), modal, with no help
// button in its title bar.
void KeepInFront(QDialog& dialog);
// Shows `dialog` in front, takes the focus and runs it modally; returns exec()'s result.
int ExecInFront(QDialog& dialog);

class DialogWindow : public QDialog {
    Q_OBJECT
public:
    // Every control carries its template id in this property (and the object name
    // "control_<id>"), so that tests and automation find it as the dialog's template names it.
    static constexpr const char* kControlIdProperty = "controlId";

    // Starts the decisions and shows their state. Returns the result when the dialog ended
    // during its start-up (it is then never shown), nothing when it is ready to be shown.
    virtual std::optional<int> Prepare() = 0;
    // Prepare, then run modally in front: the decided result, or else 1 when the window was
    // accepted and 2 when not.
    int Run();

    // The control with template id `id`, or nullptr.
    QWidget* ControlWidget(int id) const;
    // A tick of window timer `id`: decide, show, and close when the dialog ended.
    void Tick(int id);
    // Runs `action` on the decisions, shows the outcome and closes the window when the dialog
    // ended, as the window's own events do (the gallery uses it to put a dialog in a state).
    // Ignored while the state is being shown: the changes the window makes itself are not the
    // customer's.
    void Act(const std::function<void()>& action);

public slots:
    // Cancel, the close box, Escape and the agent's cancellation of open dialogs.
    void reject() override;

protected:
    explicit DialogWindow(QWidget* parent);

    // Names `widget` with template id `id` and makes it the control ControlWidget(id) returns.
    QWidget* Tag(QWidget* widget, int id);
    // Only names `widget`: for controls a panel of their own shows (a keypad's keys).
    // ControlWidget still finds them; Tagged does not.
    static void Name(QWidget* widget, int id);
    // The control tagged with `id`, or nullptr.
    QWidget* Tagged(int id) const;
    // For each control the decisions keep (id → state) that is tagged: shows or hides it and
    // enables it as they say, then leaves the rest to `show(id, widget, state)`.
    template <typename Controls, typename Show>
    void ShowControls(const Controls& controls, const Show& show) const
    {
        for (const auto& [id, state] : controls) {
            if (QWidget* widget = Tagged(id)) {
                widget->setVisible(state.visible);
                widget->setEnabled(state.enabled);
                show(id, widget, state);
            }
        }
    }
    // Shows the decisions' state (Refresh), then moves the focus where they ask (TakeFocus).
    void ShowState();
    bool ShowingState() const { return showingState_; }

    // What the frame asks of the window's decisions.
    virtual std::optional<int> DecidedResult() const = 0;
    virtual void CancelDecisions() = 0;
    virtual void TickDecisions(int id) = 0;
    // Shows the decisions' state in the controls.
    virtual void Refresh() = 0;
    // Runs after Refresh: a focus move the decisions asked for. The focus change that follows
    // reaches the decisions like the customer's own.
    virtual void TakeFocus() { }

    // Enter and Return are swallowed: only a click confirms.
    void keyPressEvent(QKeyEvent* event) override;

    QtDialogTimers timers_;

private:
    void FinishIfEnded();

    std::map<int, QWidget*> controls_;
    bool showingState_ = false;
};

} // namespace velkor
