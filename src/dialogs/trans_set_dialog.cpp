#include "dialogs/trans_set_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "dialogs/keypad_panel.h"
#include "dialogs/qt_key_filter.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/secure_static.h"
#include "widgets/static_style.h"

namespace velkor {

using namespace trans_set;

namespace {

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGrey(0x60, 0x60, 0x60);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kButtonFace(0xFE, 0xEE, 0xE2);
const Text kFace = u"新細明體";
const Text kVerdana = u"Verdana";

constexpr int kWidth = 600;
constexpr int kLeft = 16;
constexpr int kListLeft = 130;
constexpr int kRowHeight = 26;

QString ToQString(const Text& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

CTransSet::CTransSet(TransferAccountRequest& request, MessageSink& messages, QWidget* parent)
    : DialogWindow(parent)
    , messages_(messages)
    , decisions_(request, timers_, messages)
{
    setObjectName(request.dialog == TransferAccountDialog::WebAtm ? QStringLiteral("CTransSet")
                                                                  : QStringLiteral("CTransSetNet"));
    Build();
}

void CTransSet::Build()
{
    const bool webAtm = decisions_.Dialog() == TransferAccountDialog::WebAtm;
    auto place
        = [](QWidget* widget, int x, int y, int w, int h) { widget->setGeometry(x, y, w, h); };
    auto frame
        = [&](int id, int y, int h) { place(Tag(new QGroupBox(this), id), 8, y, kWidth - 16, h); };
    frame(kFrames[0], 4, 112);
    frame(kFrames[1], 120, 70);
    if (webAtm) {
        frame(kFrames[2], 194, 66); // the net-bank dialog has no e-mail section to frame
    }
    auto radio = [&](int id, int y) {
        auto* button = new QRadioButton(this);
        button->setAutoExclusive(false);
        place(Tag(button, id), kLeft, y, 108, kRowHeight);
        connect(button, &QAbstractButton::clicked, this,
            [this, id] { Act([&] { decisions_.Click(id); }); });
    };
    auto list = [&](int id, int x, int y, int w) {
        auto* combo = new QComboBox(this);
        place(Tag(combo, id), x, y, w, kRowHeight);
        combo->installEventFilter(this);
        connect(combo, &QComboBox::activated, this,
            [this, id](int index) { Act([&] { decisions_.SelectItem(id, index); }); });
    };
    radio(kAgreedRadio, 14);
    list(kAgreedList, kListLeft, 14, 450);
    radio(kCommonRadio, 46);
    if (webAtm) {
        list(kCommonList, kListLeft, 46, 450);
    } else {
        list(kGroupList, kListLeft, 46, 150);
        list(kCommonList, kListLeft + 156, 46, 294);
    }
    radio(kOtherRadio, 78);
    list(kBankList, kListLeft, 78, 220);
    auto* accountLabel = new CXColorStatic(this, kStaticCentreImage);
    accountLabel->SetFont(kVerdana, 9);
    accountLabel->SetTextColor(kGrey);
    place(Tag(accountLabel, kAccountLabel), 360, 78, 64, kRowHeight);

    display_ = new CSecureStatic(this);
    display_->SetBkColor(kWhite);
    display_->SetFont(kVerdana, 9);
    display_->SetTextColor(kGrey);
    display_->SetStyleBits(kStaticCentreImage);
    display_->installEventFilter(this);
    place(Tag(display_, kTypedDisplay), 428, 78, 152, kRowHeight);
    accountEdit_ = new QLineEdit(this);
    accountEdit_->installEventFilter(this);
    place(Tag(accountEdit_, kAccountEdit), 428, 78, 152, kRowHeight);
    connect(accountEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Act([&] { decisions_.SetAccountText(text.toStdU16String()); });
    });

    keypad_ = new KeypadPanel(KeypadKind::kDigits, this);
    keypad_->move(kLeft, 130);
    for (int index = 0; index < keypad_->KeyCount(); ++index) {
        Tag(keypad_->Key(index), kFirstKey + index);
    }
    // The panel only shows the keys; each press is the decisions' to carry out.
    keypad_->SetEntry(nullptr);
    connect(keypad_, &KeypadPanel::KeyPressed, this,
        [this](int index, int) { Act([&] { decisions_.Click(kFirstKey + index); }); });
    radio(kGraphicRadio, 158);
    ControlWidget(kGraphicRadio)->move(kListLeft + 140, 156);
    radio(kGeneralRadio, 158);
    ControlWidget(kGeneralRadio)->move(kListLeft + 260, 156);
    auto* addToCommon = new QCheckBox(this);
    place(Tag(addToCommon, kAddToCommon), kLeft, 156, 120, kRowHeight);
    connect(addToCommon, &QAbstractButton::clicked, this,
        [this] { Act([&] { decisions_.Click(kAddToCommon); }); });

    int bottom = 190;
    if (webAtm) {
        auto* emailLabel = new CXColorStatic(this, kStaticCentreImage);
        place(Tag(emailLabel, kEmailLabel), kLeft, 202, 100, kRowHeight);
        emailEdit_ = new QLineEdit(this);
        place(Tag(emailEdit_, kEmailEdit), kListLeft, 202, 450, kRowHeight);
        connect(emailEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
            Act([&] { decisions_.SetEmailText(text.toStdU16String()); });
        });
        auto* hint = new CXColorStatic(this, kStaticCentreImage);
        hint->SetFont(kFace, 9);
        hint->SetTextColor(kRed);
        place(Tag(hint, kEmailHint), kLeft, 230, 560, 22);
        bottom = 266;
    }
    auto* countdown = new CXColorStatic(this, kStaticCentreImage);
    countdown->SetFont(kFace, 12);
    countdown->SetTextColor(kRed);
    place(Tag(countdown, kCountdownLabel), kLeft, bottom + 6, 250, kRowHeight);
    auto* ok = new CButtonEx({}, this);
    auto* cancel = new CButtonEx({}, this);
    for (auto* button : { ok, cancel }) {
        button->SetBkColor(kButtonFace);
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    place(Tag(ok, kOk), kWidth - 220, bottom + 4, 96, 30);
    place(Tag(cancel, kCancel), kWidth - 112, bottom + 4, 96, 30);
    connect(ok, &QPushButton::clicked, this, [this] { Act([&] { decisions_.Ok(); }); });
    connect(cancel, &QPushButton::clicked, this, &CTransSet::reject);
    setFixedSize(kWidth, bottom + 44);

    keyFilter_ = new QtDialogKeyFilter(this, messages_);
    keyFilter_->WatchAccountEdit(
        accountEdit_, static_cast<int>(kAccountChars),
        [this] { return decisions_.AccountEditActive(); },
        [this](bool enabled) {
            decisions_.FilterSetsOk(enabled);
            ShowState();
        });
    if (emailEdit_ != nullptr) {
        keyFilter_->WatchEmailEdit(emailEdit_);
    }
}

std::optional<int> CTransSet::Prepare()
{
    const std::optional<int> ended = decisions_.Start();
    keypad_->Prepare(
        decisions_.Key(), decisions_.Order(), KeypadLook::TransferDialogs(), messages_);
    display_->SetProtection(decisions_.DisplayOffset(), CSecureStatic::kDefaultCellsPerLine);
    setWindowTitle(ToQString(decisions_.Title()));
    ShowState();
    return ended;
}

void CTransSet::TakeFocus()
{
    if (const std::optional<int> focus = decisions_.TakeFocusRequest()) {
        if (QWidget* widget = ControlWidget(*focus)) {
            widget->setFocus();
        }
    }
}

void CTransSet::Refresh()
{
    ShowControls(decisions_.Controls(), [&](int id, QWidget* widget, const auto& state) {
        widget->setToolTip(ToQString(state.tooltip));
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (id < kFirstKey || id > kClearKey) {
                button->setText(ToQString(state.text));
            }
            if (button->isCheckable()) {
                button->setChecked(state.checked);
            }
        } else if (auto* label = qobject_cast<CXColorStatic*>(widget)) {
            if (label->WindowText() != state.text) {
                label->SetText(state.text);
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            std::vector<Text> entries = decisions_.ListEntries(id);
            if (shownEntries_[id] != entries) {
                combo->clear();
                for (const Text& entry : entries) {
                    combo->addItem(ToQString(entry));
                }
                shownEntries_[id] = std::move(entries);
            }
            combo->setCurrentIndex(decisions_.ListSelection(id));
        }
    });
    const DisplayUpdate& shown = decisions_.Display();
    if (display_->WindowText() != shown.text || display_->Mode() != shown.mode) {
        if (shown.cleared) {
            display_->SetBkColor(kWhite, false);
        }
        display_->SetText(shown.text, shown.mode);
    }
    const QString account = ToQString(decisions_.AccountText());
    if (accountEdit_->text() != account) {
        accountEdit_->setText(account);
    }
    if (emailEdit_ != nullptr && emailEdit_->text() != ToQString(decisions_.EmailText())) {
        emailEdit_->setText(ToQString(decisions_.EmailText()));
    }
}

bool CTransSet::eventFilter(QObject* watched, QEvent* event)
{
    const int id = watched->property(kControlIdProperty).toInt();
    if (event->type() == QEvent::FocusIn && id != 0) {
        Act([&] { decisions_.Focus(id); });
    } else if (event->type() == QEvent::MouseButtonRelease && watched == display_
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Act([&] { decisions_.Click(kTypedDisplay); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velkor
