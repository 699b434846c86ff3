#pragma once

#include <QDialog>
#include <map>
#include <optional>

#include "control/ui.h"
#include "dialogs/message_sink.h"
#include "dialogs/qt_dialog_timers.h"
#include "dialogs/try_firm_decisions.h"

class QWidget;

// The confirmation dialog on the desktop. It shows what TryFirmDecisions decides and forwards
// the customer's clicks and the timers' ticks to it; it decides nothing itself. Every control
// carries its numeric id in the property "controlId" (and the object name "control_<id>"), so
// that tests and automation find it as the dialog's template names it.
namespace velkor {

class CXColorStatic;
class CSecureStatic;
class CButtonEx;
class CPictureEx;

class CTryFirm : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kControlIdProperty = "controlId";

    CTryFirm(ConfirmationRequest& request, MessageSink& messages, QWidget* parent = nullptr);
    ~CTryFirm() override;

    // Initialises the dialog; when it ends during its start-up (101, 102) it is never shown.
    // Returns the result when it ended, nothing when it is ready to be shown.
    std::optional<int> Prepare();
    // Prepare, then run modally above other windows; the dialog's result (1, 2, 101, 102).
    int Run();

    TryFirmDecisions& Decisions() { return decisions_; }
    // The control with template id `id`, or nullptr.
    QWidget* ControlWidget(int id) const;
    // What a tick of window timer `id` does (4097, 4100): decide, show, and close when ended.
    void Tick(int id);

public slots:
    // Cancel, the window's close box, Escape and the agent's cancellation of open dialogs.
    void reject() override;

protected:
    // Enter and Return are swallowed: only a click confirms.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build();
    void LayOut();
    void Refresh();
    void FinishIfEnded();

    QtDialogTimers timers_;
    TryFirmDecisions decisions_;
    std::map<int, QWidget*> controls_;
    CSecureStatic* account_ = nullptr;
    CPictureEx* picture_ = nullptr;
    CButtonEx* ok_ = nullptr;
    CButtonEx* cancel_ = nullptr;
    bool laidOut_ = false;
};

} // namespace velkor
