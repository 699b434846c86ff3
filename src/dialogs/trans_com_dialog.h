#pragma once

#include "dialogs/net_selection_window.h"
#include "dialogs/trans_com_decisions.h"

// The common-account choice on the desktop: the filter, the group and account lists and the
// detail rows of the chosen account.
namespace velkor {

class TransCom final : public NetSelectionWindow {
    Q_OBJECT
public:
    TransCom(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts,
        QWidget* parent = nullptr);
    ~TransCom() override;

protected:
    FontTargets Targets() const override;

private:
    TransComDecisions decisions_;
    int waitCursors_ = 0;
};

} // namespace velkor
