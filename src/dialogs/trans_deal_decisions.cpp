#include "dialogs/trans_deal_decisions.h"

#include "net_selection_result.h"

namespace velkor {

using namespace trans_deal;

TransDealDecisions::TransDealDecisions(
    NetSelectionRequest& request, DialogTimers& timers, MessageSink& messages, FontSizeFile fonts)
    : NetSelectionDecisions(DialogKind::kTransDeal, request, timers, messages, std::move(fonts))
{
    Mutable(kListLabel).text = u"已約定帳號";
    Mutable(kFontLabel).text = net_selection::kFontSizeLabel;
    Mutable(kList);
}

void TransDealDecisions::Initialise()
{
    NetControl& list = Mutable(kList);
    if (const DocumentElement* element = FirstElement()) {
        for (const ListItem& item : element->items.Items()) {
            list.entries.push_back(item.display);
        }
        list.selected = element->items.Selected();
    }
}

bool TransDealDecisions::Select(int index)
{
    NetControl& list = Mutable(kList);
    if (!IsOpen() || index < 0 || static_cast<size_t>(index) >= list.entries.size()) {
        return false;
    }
    list.selected = index;
    return true;
}

void TransDealDecisions::Ok()
{
    if (!IsOpen()) {
        return;
    }
    const NetControl& list = Control(kList);
    const DocumentElement* element = FirstElement();
    // With nothing to choose, OK would hand over an empty result as a success: the customer is
    // asked to choose (or cancel) instead.
    if (element == nullptr || list.selected < 0) {
        messages_.ShowMessage(net_selection::kChooseAccount, kBankCaption);
        return;
    }
    Text result
        = ResultForItem(*element, static_cast<size_t>(list.selected), net_selection::kKindAgreed);
    Finish(result);
}

} // namespace velkor
