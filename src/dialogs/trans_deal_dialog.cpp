#include "dialogs/trans_deal_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkor {

using namespace trans_deal;

TransDeal::TransDeal(
    NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts, QWidget* parent)
    : NetSelectionWindow(parent)
    , decisions_(request, timers_, messages, std::move(fonts))
{
    Attach(decisions_);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(Label(kListLabel));
    auto* list = new QComboBox(this);
    list->setMinimumWidth(360);
    Tag(list, kList);
    connect(list, &QComboBox::activated, this,
        [this](int index) { Act([this, index] { decisions_.Select(index); }); });
    row->addWidget(list, 1);
    layout->addLayout(row);
    layout->addWidget(CountdownLabel());
    layout->addLayout(FontSizeRow(kFontLabel));
    layout->addLayout(ButtonRow());
}

NetSelectionWindow::FontTargets TransDeal::Targets() const
{
    return { { kListLabel, kFontLabel },
        { net_selection::kOk, net_selection::kCancel, 1037, 1038, 1039 }, { kList } };
}

} // namespace velkor
