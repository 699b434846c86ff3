#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "control/ui.h"
#include "dialogs/message_sink.h"
#include "dialogs/qt_dialog_timers.h"
#include "dialogs/trans_set_decisions.h"

class QComboBox;
class QLineEdit;

// The transfer-account dialogs on the desktop: CTransSet (web ATM) and CTransSetNet (net bank),
// as the request names. The window shows what TransSetDecisions decides and forwards clicks,
// focus changes, list choices, edit changes and timer ticks to it; it decides nothing itself.
// Every control carries its numeric id in the property "controlId" (and the object name
// "control_<id>"), as the dialog's template names it.
namespace velkor {

class CSecureStatic;
class CButtonEx;
class KeypadPanel;
class QtDialogKeyFilter;

class CTransSet : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kControlIdProperty = "controlId";

    CTransSet(TransferAccountRequest& request, MessageSink& messages, QWidget* parent = nullptr);
    ~CTransSet() override;

    // Initialises the dialog; the result when the document ended it before it is shown.
    std::optional<int> Prepare();
    // Prepare, then run modally above other windows; 1 (the request's outputs filled) or 2.
    int Run();

    TransSetDecisions& Decisions() { return decisions_; }
    QWidget* ControlWidget(int id) const;
    void Tick(int id);
    // Runs `action` on the decisions and shows the outcome, as the window's own events do (the
    // gallery uses it to put the dialog in a state).
    void Act(const std::function<void()>& action);

public slots:
    // Cancel, the close box, Escape and the agent's cancellation of open dialogs.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter and Return never press OK.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build();
    void Refresh();
    void FinishIfEnded();

    QtDialogTimers timers_;
    MessageSink& messages_;
    TransSetDecisions decisions_;
    std::map<int, QWidget*> controls_;
    std::map<int, std::vector<Text>> shownEntries_;
    KeypadPanel* keypad_ = nullptr;
    CSecureStatic* display_ = nullptr;
    QLineEdit* accountEdit_ = nullptr;
    QLineEdit* emailEdit_ = nullptr;
    QtDialogKeyFilter* keyFilter_ = nullptr;
    bool refreshing_ = false;
};

} // namespace velkor
