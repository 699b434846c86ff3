#pragma once

#include <map>
#include <optional>

#include "control/ui.h"
#include "dialogs/common_account_form.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_sink.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// The common-account entry forms on the desktop: CWebComDlg (web ATM, template 205) and
// CWebComNetDlg (net bank, template 206). The window shows what CommonAccountForm decides and
// forwards clicks, keys, focus changes, mouse releases and timer ticks to it; it decides nothing
// itself.
namespace velkor {

class CButtonEx;
class CSecureStatic;
class CXColorStatic;
class CxShadeButton;

class CommonAccountDialog : public DialogWindow {
    Q_OBJECT
public:
    // The form's start-up; the result when it ended there (2). Run gives 1, 2 or (web form) 105.
    std::optional<int> Prepare() override;

    CommonAccountForm& Decisions() { return form_; }

protected:
    CommonAccountDialog(CommonAccountRequest& request, MessageSink& messages, QWidget* parent);

    std::optional<int> DecidedResult() const override { return form_.Result(); }
    void CancelDecisions() override { form_.Cancel(); }
    void TickDecisions(int id) override { form_.Tick(id); }
    void Refresh() override;
    void TakeFocus() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Build();
    void ApplyAppearance();
    void LayOut();
    int RowOf(QObject* watched) const;
    bool FilterEditKey(QLineEdit* edit, QKeyEvent* event);

    CommonAccountFormKind kind_;
    CommonAccountForm form_;
    std::map<QObject*, int> rowOf_;
    int appliedFocus_ = 0; // the form's focus moves already applied
};

class CWebComDlg final : public CommonAccountDialog {
    Q_OBJECT
public:
    CWebComDlg(CommonAccountRequest& request, MessageSink& messages, QWidget* parent = nullptr)
        : CommonAccountDialog(request, messages, parent)
    {
    }
};

class CWebComNetDlg final : public CommonAccountDialog {
    Q_OBJECT
public:
    CWebComNetDlg(CommonAccountRequest& request, MessageSink& messages, QWidget* parent = nullptr)
        : CommonAccountDialog(request, messages, parent)
    {
    }
};

} // namespace velkor
