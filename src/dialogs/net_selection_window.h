#pragma once

#include <QDialog>
#include <map>
#include <optional>
#include <vector>

#include "dialogs/net_selection_decisions.h"
#include "dialogs/qt_dialog_timers.h"

class QBoxLayout;
class QHBoxLayout;

// What the windows of the net-bank selection dialogs share: they show the state their decisions
// keep (texts, lists, check marks, what is shown or enabled) and forward the customer's clicks
// and the countdown's ticks; they decide nothing. Every control carries its template id in the
// property "controlId" (and the object name "control_<id>"), as the confirmation dialog's do.
namespace velkor {

class NetSelectionWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kControlIdProperty = "controlId";

    ~NetSelectionWindow() override;

    // Initialises the dialog; returns the result when it ended there (it is then never shown).
    std::optional<int> Prepare();
    // Prepare, then run modally above other windows: 1 OK, 2 cancelled or timed out.
    int Run();

    NetSelectionDecisions& Decisions() { return *decisions_; }
    // The control with template id `id`, or nullptr.
    QWidget* ControlWidget(int id) const;
    // A tick of window timer `id`: decide, show, and close when the dialog ended.
    void Tick(int id);

public slots:
    // Cancel, the close box, Escape and the agent's cancellation of open dialogs.
    void reject() override;

protected:
    // Which controls take which of the three fonts of the chosen size.
    struct FontTargets {
        std::vector<int> labels;
        std::vector<int> controls;
        std::vector<int> entries;
    };

    explicit NetSelectionWindow(QWidget* parent);
    // Called by the dialog's constructor once its decisions exist (they use `timers_`).
    void Attach(NetSelectionDecisions& decisions);
    // The dialog's own start-up after the decisions' (the keypad, for instance).
    virtual void AfterStart() { }
    virtual FontTargets Targets() const = 0;
    // Shows the decisions' state; dialogs add what the common controls do not cover.
    virtual void Refresh();

    void Tag(QWidget* widget, int id);
    QWidget* Label(int id);
    QHBoxLayout* FontSizeRow(int labelId);
    QHBoxLayout* ButtonRow();
    QWidget* CountdownLabel();
    // Forwards a click and shows what follows (closing the dialog when it ended).
    void Act(const std::function<void()>& action);
    void ApplyFonts();

    QtDialogTimers timers_;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FinishIfEnded();

    NetSelectionDecisions* decisions_ = nullptr;
    std::map<int, QWidget*> controls_;
};

} // namespace velkor
