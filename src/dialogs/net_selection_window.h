#pragma once

#include <optional>
#include <vector>

#include "dialogs/dialog_window.h"
#include "dialogs/net_selection_decisions.h"

class QBoxLayout;
class QHBoxLayout;

// What the windows of the net-bank selection dialogs share: they show the state their decisions
// keep (texts, lists, check marks, what is shown or enabled) and forward the customer's clicks
// and the countdown's ticks; they decide nothing.
namespace velkor {

class NetSelectionWindow : public DialogWindow {
    Q_OBJECT
public:
    // Run gives 1 (OK) or 2 (cancelled or timed out).
    std::optional<int> Prepare() override;

    NetSelectionDecisions& Decisions() { return *decisions_; }

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
    void Refresh() override;
    std::optional<int> DecidedResult() const override { return decisions_->Result(); }
    void CancelDecisions() override { decisions_->Cancel(); }
    void TickDecisions(int id) override { decisions_->Tick(id); }

    QWidget* Label(int id);
    QHBoxLayout* FontSizeRow(int labelId);
    QHBoxLayout* ButtonRow();
    QWidget* CountdownLabel();
    void ApplyFonts();

private:
    NetSelectionDecisions* decisions_ = nullptr;
};

} // namespace velkor
