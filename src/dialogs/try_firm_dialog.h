#pragma once

#include <optional>

#include "control/ui.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_sink.h"
#include "dialogs/try_firm_decisions.h"

class QWidget;

// The confirmation dialog on the desktop. It shows what TryFirmDecisions decides and forwards
// the customer's clicks and the timers' ticks to it; it decides nothing itself.
namespace velkor {

class CXColorStatic;
class CSecureStatic;
class CButtonEx;
class CPictureEx;

class CTryFirm : public DialogWindow {
    Q_OBJECT
public:
    CTryFirm(ConfirmationRequest& request, MessageSink& messages, QWidget* parent = nullptr);
    ~CTryFirm() override;

    // When the dialog ends during its start-up (101, 102) it is never shown.
    std::optional<int> Prepare() override;

    TryFirmDecisions& Decisions() { return decisions_; }

protected:
    std::optional<int> DecidedResult() const override { return decisions_.Result(); }
    void CancelDecisions() override { decisions_.Cancel(); }
    void TickDecisions(int id) override { decisions_.Tick(id); }
    void Refresh() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build();
    void LayOut();

    TryFirmDecisions decisions_;
    CSecureStatic* account_ = nullptr;
    CPictureEx* picture_ = nullptr;
    CButtonEx* ok_ = nullptr;
    CButtonEx* cancel_ = nullptr;
};

} // namespace velkor
