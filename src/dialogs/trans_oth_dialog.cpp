#include "dialogs/trans_oth_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/secure_buffer.h"
#include "dialogs/keypad_panel.h"
#include "dialogs/qt_key_filter.h"
#include "widgets/secure_static.h"

namespace velkor {

using namespace trans_oth;

namespace {
const QColor kEntryText(0x60, 0x60, 0x60);
} // namespace

TransOth::TransOth(
    NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts, QWidget* parent)
    : NetSelectionWindow(parent)
    , messages_(messages)
    , decisions_(request, timers_, messages, std::move(fonts))
{
    Attach(decisions_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label(kAccountLabel));
    // The protected display and the edit field take the same place; one of them is shown.
    auto* entryRow = new QHBoxLayout;
    display_ = new CSecureStatic(this);
    display_->SetBkColor(Qt::white);
    display_->SetTextColor(kEntryText);
    display_->SetFont(u"Verdana", 9);
    display_->setFixedHeight(26);
    Tag(display_, kDisplay);
    edit_ = new QLineEdit(this);
    Tag(edit_, kEdit);
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        Text typed = text.toStdU16String();
        decisions_.SetEditText(typed);
        WipeString(typed);
    });
    entryRow->addWidget(display_, 1);
    entryRow->addWidget(edit_, 1);
    layout->addLayout(entryRow);
    keypad_ = new KeypadPanel(KeypadKind::kDigits, this);
    // Named, not tagged: the keypad shows its keys itself.
    for (int i = 0; i < keypad_->KeyCount(); ++i) {
        Name(keypad_->Key(i), kFirstKey + i);
    }
    connect(keypad_, &KeypadPanel::KeyPressed, this, [this](int, int) { ShowState(); });
    layout->addWidget(keypad_);
    auto* modes = new QHBoxLayout;
    for (const int id : { kGraphicRadio, kGeneralRadio }) {
        auto* radio = new QRadioButton(this);
        Tag(radio, id);
        connect(radio, &QRadioButton::clicked, this, [this, id] {
            Act([this, id] { decisions_.ChooseKeyboard(id); });
            if (decisions_.TakeEditFocusRequest()) {
                edit_->setFocus();
            }
        });
        modes->addWidget(radio);
    }
    modes->addStretch();
    layout->addLayout(modes);
    auto* keep = new QCheckBox(this);
    Tag(keep, kAddToCommon);
    connect(keep, &QCheckBox::clicked, this,
        [this] { Act([this] { decisions_.ToggleAddToCommon(); }); });
    layout->addWidget(keep);
    layout->addWidget(CountdownLabel());
    layout->addLayout(FontSizeRow(kFontLabel));
    layout->addLayout(ButtonRow());
}

TransOth::~TransOth()
{
    WipeString(shownDisplay_);
}

void TransOth::AfterStart()
{
    keypad_->Prepare(
        decisions_.Key(), decisions_.Order(), KeypadLook::TransferDialogs(), messages_);
    keypad_->SetEntry(&decisions_.Entry());
    display_->SetProtection(decisions_.DisplayOffset(), CSecureStatic::kDefaultCellsPerLine);
    keyFilter_ = new QtDialogKeyFilter(this, messages_);
    keyFilter_->WatchAccountEdit(
        edit_, static_cast<int>(decisions_.MaximumLength()),
        [this] { return decisions_.EditIsActiveEntry(); }, [](bool) {});
}

void TransOth::Refresh()
{
    NetSelectionWindow::Refresh();
    keypad_->setVisible(decisions_.Control(kFirstKey).visible);
    display_->setVisible(decisions_.Control(kDisplay).visible);
    const DisplayUpdate& update = decisions_.Display();
    if (update.text != shownDisplay_) {
        if (update.cleared) {
            display_->SetBkColor(Qt::white, false);
        }
        display_->SetText(update.text, update.mode);
        WipeString(shownDisplay_);
        shownDisplay_ = update.text;
    }
    // A check at OK may have emptied the edit field: it takes the focus again.
    if (decisions_.TakeEditFocusRequest() && edit_->isVisible()) {
        edit_->setFocus();
    }
}

NetSelectionWindow::FontTargets TransOth::Targets() const
{
    return { { kAccountLabel, kFontLabel },
        { net_selection::kOk, net_selection::kCancel, 1037, 1038, 1039, 1040, 1041, kAddToCommon },
        { kEdit } };
}

} // namespace velkor
