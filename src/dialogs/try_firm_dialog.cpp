#include "dialogs/try_firm_dialog.h"

#include <QKeyEvent>

#include "resource_ids.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/picture_ex.h"
#include "widgets/secure_static.h"
#include "widgets/static_style.h"

namespace velkor {

using namespace try_firm;

namespace {

// COLORREF values of the dialog's look, as RGB.
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kRed(0xFF, 0x00, 0x00); // 0x0000FF
const QColor kGreen(0x36, 0x9E, 0x4E); // 0x4E9E36
const QColor kButtonFace(0xFE, 0xEE, 0xE2); // 0xE2EEFE
const QColor kTableText(0x30, 0x30, 0x30);
const Text kFace = u"新細明體";

constexpr int kMargin = 16;
constexpr int kWidth = 600;
constexpr int kLabelWidth = 130;
constexpr int kRowHeight = 26;
constexpr int kEmailRowHeight = 44;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 30;

} // namespace

CTryFirm::CTryFirm(ConfirmationRequest& request, MessageSink& messages, QWidget* parent)
    : DialogWindow(parent)
    , decisions_(request, timers_, messages)
{
    setWindowTitle(QString::fromStdU16String(kWindowTitle));
    Build();
}

CTryFirm::~CTryFirm()
{
    if (picture_ != nullptr) {
        picture_->Stop();
    }
}

void CTryFirm::Build()
{
    auto label = [&](int id, uint32_t style) {
        auto* widget = new CXColorStatic(this, style);
        Tag(widget, id);
        return widget;
    };
    auto* title = label(kTitle, kStaticCentreImage);
    title->SetFont(kFace, 14);
    title->SetBold(true);
    label(kNotice, kStaticCentreImage)->SetTextColor(kRed);
    label(kSubtitle, kStaticCentreImage)->SetTextColor(kGreen);
    for (const Row& row : kRows) {
        auto* name = label(row.label, kStaticCentreImage);
        name->SetBkColor(kWhite);
        name->SetTextColor(kTableText);
        if (row.value == kProtectedAccount) {
            account_ = new CSecureStatic(this);
            account_->SetBkColor(kWhite);
            account_->SetTextColor(kTableText);
            account_->SetStyleBits(kStaticCentreImage);
            Tag(account_, kProtectedAccount);
            continue;
        }
        // The e-mail field wraps; the other values are one line each.
        auto* value = label(row.value, row.value == kEmailField ? 0 : kStaticCentreImage);
        value->SetBkColor(kWhite);
        value->SetTextColor(kTableText);
    }
    auto* instruction = label(kInstruction, 0);
    instruction->SetFont(kFace, 18);
    instruction->SetTextColor(kRed);

    picture_ = new CPictureEx(this);
    Tag(picture_, kAnimation);
    if (picture_->LoadFromResource(kCardReinsertAnimation, QStringLiteral("GIF"))) {
        picture_->Draw();
    }
    ok_ = new CButtonEx(u"確定", this);
    cancel_ = new CButtonEx(u"取消", this);
    for (auto* button : { ok_, cancel_ }) {
        button->SetBkColor(kButtonFace);
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Tag(ok_, kOk);
    Tag(cancel_, kCancel);
    connect(ok_, &QPushButton::clicked, this, [this] { Act([this] { decisions_.Ok(); }); });
    connect(cancel_, &QPushButton::clicked, this, &CTryFirm::reject);
}

std::optional<int> CTryFirm::Prepare()
{
    const std::optional<int> ended = decisions_.Start();
    ShowState();
    LayOut();
    return ended;
}

void CTryFirm::LayOut()
{
    const int inner = kWidth - 2 * kMargin;
    int y = kMargin;
    auto place = [&](int id, int height) {
        QWidget* widget = ControlWidget(id);
        widget->setGeometry(kMargin, y, inner, height);
        y += height + 4;
    };
    place(kTitle, 28);
    place(kNotice, 22);
    place(kSubtitle, 22);
    y += 4;
    for (const Row& row : kRows) {
        QWidget* name = ControlWidget(row.label);
        QWidget* value = ControlWidget(row.value);
        if (name->isHidden() && value->isHidden()) {
            continue; // the rows below move up
        }
        int height = kRowHeight;
        if (row.value == kEmailField) {
            // The e-mail field grows with its text: a line more from 42 and from 84 characters.
            const size_t length = decisions_.Control(kEmailField).text.size();
            height = kEmailRowHeight + (length >= 42 ? kRowHeight : 0)
                + (length >= 84 ? kRowHeight : 0);
        }
        name->setGeometry(kMargin, y, kLabelWidth, height);
        value->setGeometry(kMargin + kLabelWidth + 2, y, inner - kLabelWidth - 2, height);
        y += height + 2;
    }
    y += 8;
    place(kInstruction, 54);
    const QSize picture
        = picture_->PictureSize().isValid() ? picture_->PictureSize() : QSize(120, 90);
    picture_->setGeometry(kMargin, y, picture.width(), picture.height());
    const int buttonsY = y + picture.height() - kButtonHeight;
    cancel_->setGeometry(kWidth - kMargin - kButtonWidth, buttonsY, kButtonWidth, kButtonHeight);
    ok_->setGeometry(
        kWidth - kMargin - 2 * kButtonWidth - 12, buttonsY, kButtonWidth, kButtonHeight);
    setFixedSize(kWidth, y + picture.height() + kMargin);
}

void CTryFirm::Refresh()
{
    ShowControls(decisions_.Controls(), [&](int id, QWidget* widget, const auto& state) {
        if (id == kProtectedAccount) {
            if (account_->WindowText() != state.text
                || account_->Mode() != decisions_.AccountDisplayMode()) {
                account_->SetProtection(
                    decisions_.AccountDisplayOffset(), CSecureStatic::kDefaultCellsPerLine);
                account_->SetText(state.text, decisions_.AccountDisplayMode());
            }
        } else if (auto* text = qobject_cast<CXColorStatic*>(widget)) {
            if (text->WindowText() != state.text) {
                text->SetText(state.text);
            }
        } else if (auto* button = qobject_cast<CButtonEx*>(widget)) {
            button->setText(QString::fromStdU16String(state.text));
        }
    });
}

void CTryFirm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        decisions_.Enter();
    }
    DialogWindow::keyPressEvent(event);
}

} // namespace velkor
