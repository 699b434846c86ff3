#pragma once

#include <map>
#include <optional>
#include <vector>

#include "control/ui.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_sink.h"
#include "dialogs/trans_set_decisions.h"

class QComboBox;
class QLineEdit;

// The transfer-account dialogs on the desktop: CTransSet (web ATM) and CTransSetNet (net bank),
// as the request names. The window shows what TransSetDecisions decides and forwards clicks,
// focus changes, list choices, edit changes and timer ticks to it; it decides nothing itself.
namespace velkor {

class CSecureStatic;
class CButtonEx;
class KeypadPanel;
class QtDialogKeyFilter;

class CTransSet : public DialogWindow {
    Q_OBJECT
public:
    CTransSet(TransferAccountRequest& request, MessageSink& messages, QWidget* parent = nullptr);

    // The result when the document ended the dialog before it is shown; Run gives 1 (the
    // request's outputs filled) or 2.
    std::optional<int> Prepare() override;

    TransSetDecisions& Decisions() { return decisions_; }

protected:
    std::optional<int> DecidedResult() const override { return decisions_.Result(); }
    void CancelDecisions() override { decisions_.Cancel(); }
    void TickDecisions(int id) override { decisions_.Tick(id); }
    void Refresh() override;
    void TakeFocus() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();

    MessageSink& messages_;
    TransSetDecisions decisions_;
    std::map<int, std::vector<Text>> shownEntries_;
    KeypadPanel* keypad_ = nullptr;
    CSecureStatic* display_ = nullptr;
    QLineEdit* accountEdit_ = nullptr;
    QLineEdit* emailEdit_ = nullptr;
    QtDialogKeyFilter* keyFilter_ = nullptr;
};

} // namespace velkor
