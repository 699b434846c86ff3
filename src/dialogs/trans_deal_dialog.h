#pragma once

#include "dialogs/net_selection_window.h"
#include "dialogs/trans_deal_decisions.h"

// The agreed-account choice on the desktop: list 1091 of the agreed accounts.
namespace velkor {

class TransDeal final : public NetSelectionWindow {
    Q_OBJECT
public:
    TransDeal(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts,
        QWidget* parent = nullptr);

protected:
    FontTargets Targets() const override;

private:
    TransDealDecisions decisions_;
};

} // namespace velkor
