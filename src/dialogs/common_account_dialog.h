#pragma once

#include <QDialog>
#include <map>
#include <optional>

#include "control/ui.h"
#include "dialogs/common_account_form.h"
#include "dialogs/message_sink.h"
#include "dialogs/qt_dialog_timers.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// The common-account entry forms on the desktop: CWebComDlg (web ATM, template 205) and
// CWebComNetDlg (net bank, template 206). The window shows what CommonAccountForm decides and
// forwards clicks, keys, focus changes, mouse releases and timer ticks to it; it decides nothing
// itself. Every control carries its template id in the property "controlId" (and the object name
// "control_<id>").
namespace velkor {

class CButtonEx;
class CSecureStatic;
class CXColorStatic;
class CxShadeButton;

class CommonAccountDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kControlIdProperty = "controlId";

    ~CommonAccountDialog() override;

    // The form's start-up; the result when it ended there (2), nothing when it is ready to show.
    std::optional<int> Prepare();
    // Prepare, then run modally above other windows: 1, 2 or (web form) 105.
    int Run();

    CommonAccountForm& Decisions() { return form_; }
    QWidget* ControlWidget(int id) const;
    void Tick(int id);

public slots:
    // Cancel, the close box, Escape and the agent's cancellation of open dialogs.
    void reject() override;

protected:
    CommonAccountDialog(CommonAccountRequest& request, MessageSink& messages, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Build();
    void ApplyAppearance();
    void Refresh();
    void LayOut();
    void FinishIfEnded();
    int RowOf(QObject* watched) const;
    bool FilterEditKey(QLineEdit* edit, QKeyEvent* event);

    CommonAccountFormKind kind_;
    QtDialogTimers timers_;
    CommonAccountForm form_;
    std::map<int, QWidget*> controls_;
    std::map<QObject*, int> rowOf_;
    int appliedFocus_ = 0; // the form's focus moves already applied
    bool refreshing_ = false;
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
