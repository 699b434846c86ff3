#pragma once

#include "dialogs/net_selection_decisions.h"

// TransDeal: the customer picks one of the agreed accounts (list 1091). OK hands over the
// result built from the chosen item with kind '0'.
namespace velkor {

namespace trans_deal {
inline constexpr int kListLabel = 1012;
inline constexpr int kFontLabel = 1013;
inline constexpr int kList = 1091;
} // namespace trans_deal

class TransDealDecisions final : public NetSelectionDecisions {
public:
    TransDealDecisions(NetSelectionRequest& request, DialogTimers& timers, MessageSink& messages,
        FontSizeFile fonts);

    // Chooses entry `index` of the list; false when it has no such entry.
    bool Select(int index);
    void Ok() override;

protected:
    void Initialise() override;
};

} // namespace velkor
