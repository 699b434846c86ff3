#pragma once

#include "dialogs/net_selection_window.h"
#include "dialogs/trans_oth_decisions.h"

class QLineEdit;

// The other-account entry on the desktop: the on-screen keypad with its protected display, or
// the edit field behind the digits-only key filter, and the check box "加入常用帳號".
namespace velkor {

class CSecureStatic;
class KeypadPanel;
class QtDialogKeyFilter;

class TransOth final : public NetSelectionWindow {
    Q_OBJECT
public:
    TransOth(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts,
        QWidget* parent = nullptr);
    ~TransOth() override;

    KeypadPanel* Keypad() const { return keypad_; }

protected:
    void AfterStart() override;
    FontTargets Targets() const override;
    void Refresh() override;

private:
    MessageSink& messages_;
    TransOthDecisions decisions_;
    CSecureStatic* display_ = nullptr;
    QLineEdit* edit_ = nullptr;
    KeypadPanel* keypad_ = nullptr;
    QtDialogKeyFilter* keyFilter_ = nullptr;
    Text shownDisplay_;
};

} // namespace velkor
