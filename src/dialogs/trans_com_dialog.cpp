#include "dialogs/trans_com_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "widgets/button_ex.h"

namespace velkor {

using namespace trans_com;

TransCom::TransCom(
    NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts, QWidget* parent)
    : NetSelectionWindow(parent)
    , decisions_(request, timers_, messages, std::move(fonts))
{
    Attach(decisions_);
    decisions_.SetWaitCursor([this](bool wait) {
        if (wait) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            ++waitCursors_;
        } else if (waitCursors_ > 0) {
            QGuiApplication::restoreOverrideCursor();
            --waitCursors_;
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CountdownLabel());
    auto* grid = new QGridLayout;
    grid->addWidget(Label(1012), 0, 0);
    auto* filter = new QLineEdit(this);
    filter->setMaxLength(static_cast<int>(kFilterMaxChars));
    Tag(filter, kFilterField);
    connect(filter, &QLineEdit::textEdited, this,
        [this](const QString& text) { decisions_.SetFilterText(text.toStdU16String()); });
    grid->addWidget(filter, 0, 1);
    auto* apply = new CButtonEx({}, this);
    apply->setAutoDefault(false);
    Tag(apply, kFilterButton);
    connect(
        apply, &QPushButton::clicked, this, [this] { Act([this] { decisions_.ApplyFilter(); }); });
    grid->addWidget(apply, 0, 2);
    grid->addWidget(Label(1013), 1, 0, 1, 3);
    int row = 2;
    for (const auto& [labelId, listId] :
        { std::pair { 1016, kGroupList }, std::pair { 1017, kAccountList } }) {
        grid->addWidget(Label(labelId), row, 0);
        auto* list = new QComboBox(this);
        list->setMinimumWidth(420);
        Tag(list, listId);
        connect(list, &QComboBox::activated, this, [this, id = listId](int index) {
            Act([this, id, index] { decisions_.Select(id, index); });
        });
        grid->addWidget(list, row++, 1, 1, 2);
    }
    for (int i = 0; i < kDetailRows; ++i) {
        grid->addWidget(Label(kFirstDetailLabel + i), row, 0);
        auto* field = new QPlainTextEdit(this);
        field->setReadOnly(true);
        field->setFixedHeight(34);
        Tag(field, kFirstDetailRow + i);
        grid->addWidget(field, row++, 1, 1, 2);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addLayout(FontSizeRow(1103));
    layout->addLayout(ButtonRow());
}

TransCom::~TransCom()
{
    while (waitCursors_ > 0) {
        QGuiApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

NetSelectionWindow::FontTargets TransCom::Targets() const
{
    FontTargets targets { { 1012, 1016, 1017, 1103 },
        { kFilterButton, net_selection::kOk, net_selection::kCancel, 1037, 1038, 1039 },
        { kFilterField, kGroupList, kAccountList } };
    for (int i = 0; i < kDetailRows; ++i) {
        targets.labels.push_back(kFirstDetailLabel + i);
        targets.entries.push_back(kFirstDetailRow + i);
    }
    return targets;
}

} // namespace velkor
