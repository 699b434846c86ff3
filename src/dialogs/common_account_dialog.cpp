#include "dialogs/common_account_dialog.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

#include "crypto/data_process.h"
#include "dialogs/common_account_geometry.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/qt_key_filter.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/secure_static.h"
#include "widgets/shade_button.h"
#include "widgets/static_style.h"

namespace velkor {

using namespace common_account;
namespace geometry = common_account_geometry;

namespace {

constexpr int kKeyCount = 39;
constexpr int kCellsPerLine = 27;
const QColor kKeyTint(137, 219, 245);

QColor ToColour(uint32_t rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

uint8_t RandomBelow(uint32_t range)
{
    return static_cast<uint8_t>(CDataProcess::RandomNumber() % range);
}

QRect ToQRect(const geometry::Rect& rect)
{
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

} // namespace

CommonAccountDialog::CommonAccountDialog(
    CommonAccountRequest& request, MessageSink& messages, QWidget* parent)
    : DialogWindow(parent)
    , kind_(request.form)
    , form_(request, timers_, messages, [] { return QtDialogKeyFilter::ClipboardText(); })
{
    setWindowTitle(
        QString::fromStdU16String(kind_ == CommonAccountFormKind::WebAtm ? kWebTitle : kNetTitle));
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, ToColour(kFormFace));
    setPalette(face);
    Build();
}

void CommonAccountDialog::Build()
{
    // Labels and displays let mouse releases through to the form, which chooses the row.
    auto label = [&](int id, uint32_t style) {
        auto* widget = new CXColorStatic(this, style);
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        Tag(widget, id);
        return widget;
    };
    label(kHeading, kStaticCentreImage);
    label(kCountdownLabel, kStaticCentreImage | kStaticRight);
    label(kHint, kStaticCentreImage);
    for (int row = 0; row < static_cast<int>(kCommonAccountRows); ++row) {
        label(LabelId(row), 0);
        auto* display = new CSecureStatic(this);
        display->setAttribute(Qt::WA_TransparentForMouseEvents);
        display->SetStyleBits(kStaticCentreImage);
        Tag(display, DisplayId(row));
        auto* edit = new QLineEdit(this);
        // Text arrives only through the key filter: no context-menu paste, no drops.
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setAcceptDrops(false);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, row](const QString& text) {
            Text typed = text.toStdU16String();
            form_.SetEditText(row, typed);
            WipeString(typed);
        });
        Tag(edit, EditId(row));
        rowOf_[edit] = row;
        auto* combo = new QComboBox(this);
        combo->installEventFilter(this);
        connect(combo, &QComboBox::activated, this,
            [this, row](int index) { Act([&] { form_.SelectEntry(row, index); }); });
        Tag(combo, ComboId(row));
        rowOf_[combo] = row;
    }
    for (const int id : { kGeneralKeyboard, kGraphicKeypad }) {
        auto* radio = new QRadioButton(this);
        radio->setAutoExclusive(false); // the form decides which one is checked
        connect(
            radio, &QAbstractButton::clicked, this, [this, id] { Act([&] { form_.Click(id); }); });
        Tag(radio, id);
    }
    for (int index = 0; index < kKeyCount; ++index) {
        auto* key = new CxShadeButton(this);
        key->setFocusPolicy(Qt::TabFocus);
        const int id = kFirstKey + index;
        connect(
            key, &QAbstractButton::clicked, this, [this, id] { Act([&] { form_.Click(id); }); });
        Tag(key, id);
    }
    auto* ok = new CButtonEx(dialog_text::kOk, this);
    auto* cancel = new CButtonEx(dialog_text::kCancel, this);
    for (auto* button : { ok, cancel }) {
        button->SetBkColor(ToColour(kButtonFace));
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Tag(ok, kOk);
    Tag(cancel, kCancel);
    connect(ok, &QPushButton::clicked, this, [this] { Act([this] { form_.Click(kOk); }); });
    connect(cancel, &QPushButton::clicked, this, &CommonAccountDialog::reject);
}

std::optional<int> CommonAccountDialog::Prepare()
{
    const std::optional<int> ended = form_.Start();
    if (ended) {
        return ended;
    }
    if (const auto& caption = form_.Document().caption) {
        setWindowTitle(QString::fromStdU16String(*caption));
    }
    for (size_t row = 0; row < form_.RowCount(); ++row) {
        const CommonAccountRow& r = form_.Row(row);
        auto* combo = static_cast<QComboBox*>(ControlWidget(ComboId(static_cast<int>(row))));
        for (const Text& entry : r.entries) {
            combo->addItem(QString::fromStdU16String(entry));
        }
        combo->setCurrentIndex(r.selected);
        if (r.defaultValue > 0) {
            static_cast<QLineEdit*>(ControlWidget(EditId(static_cast<int>(row))))
                ->setMaxLength(r.defaultValue);
        }
    }
    ApplyAppearance();
    ShowState();
    return std::nullopt;
}

void CommonAccountDialog::ApplyAppearance()
{
    const bool web = kind_ == CommonAccountFormKind::WebAtm;
    auto* heading = static_cast<CXColorStatic*>(ControlWidget(kHeading));
    heading->SetFont(u"Verdana", 10);
    heading->SetBold(true);
    auto* countdown = static_cast<CXColorStatic*>(ControlWidget(kCountdownLabel));
    if (web) {
        countdown->SetFont(u"Verdana", 9);
        countdown->SetBold(true);
    } else {
        countdown->SetFont(u"新細明體", 12);
    }
    static_cast<CXColorStatic*>(ControlWidget(kHint))->SetFont(u"Verdana", 9);
    for (int row = 0; row < static_cast<int>(kCommonAccountRows); ++row) {
        static_cast<CXColorStatic*>(ControlWidget(LabelId(row)))->SetFont(u"Verdana", 9);
        auto* display = static_cast<CSecureStatic*>(ControlWidget(DisplayId(row)));
        display->SetFont(u"Verdana", 9);
        display->SetProtection(form_.DisplayOffset(static_cast<size_t>(row)), kCellsPerLine);
    }
    for (int index = 0; index < kKeyCount; ++index) {
        auto* key = static_cast<CxShadeButton*>(ControlWidget(kFirstKey + index));
        key->SetTextColor(ToColour(kGreyText));
        const bool character = index < kCharacterKeys;
        if (character) {
            key->SetFont(u"Verdana", 20, index < 10 ? 700 : 400);
        } else if (index == kCorrectionKey - kFirstKey) {
            key->SetFont(u"微軟正黑體", 20, 700);
        } else if (index == kClearKey - kFirstKey) {
            key->SetFont(u"Verdana", 16, 700);
        } else {
            key->SetFont(u"Verdana", 14, 700);
        }
        // Random darkening: every key looks a little different on every opening.
        key->setGeometry(0, 0,
            index < kCharacterKeys ? geometry::PixelsAcross(15) : geometry::PixelsAcross(34),
            geometry::PixelsDown(14));
        if (character) {
            key->SetShade(5, 8, 20, 5, kKeyTint, 20, RandomBelow(16), RandomBelow(16));
            key->SetCaptionKey(form_.CaptionKey(index), true);
        } else {
            key->SetShade(5, 8, 20, 5, kKeyTint, 20, RandomBelow(32), RandomBelow(20));
            key->SetCaptionKey(form_.CaptionKey(0), false);
        }
    }
}

void CommonAccountDialog::Refresh()
{
    ShowControls(form_.Controls(), [&](int id, QWidget* widget, const auto& state) {
        if (auto* display = qobject_cast<CSecureStatic*>(widget)) {
            const size_t row = static_cast<size_t>((id - DisplayId(0)) / 2);
            display->SetBkColor(ToColour(state.background), false);
            display->SetTextColor(ToColour(state.textColour), false);
            if (display->WindowText() != state.text || display->Mode() != form_.DisplayMode(row)) {
                display->SetText(state.text, form_.DisplayMode(row));
            } else {
                display->update();
            }
        } else if (auto* text = qobject_cast<CXColorStatic*>(widget)) {
            text->SetBkColor(ToColour(state.background), false);
            text->SetTextColor(ToColour(state.textColour), false);
            if (text->WindowText() != state.text) {
                text->SetText(state.text);
            }
            text->update();
        } else if (auto* key = qobject_cast<CxShadeButton*>(widget)) {
            if (key->text().toStdU16String() != state.text && !state.text.empty()) {
                key->SetCaption(state.text, id < kFirstKey + kCharacterKeys);
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text().toStdU16String() != state.text) {
                edit->setText(QString::fromStdU16String(state.text));
            }
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            radio->setText(QString::fromStdU16String(state.text));
            radio->setChecked(state.checked);
        } else if (auto* button = qobject_cast<CButtonEx*>(widget)) {
            button->setText(QString::fromStdU16String(state.text));
        }
    });
    LayOut();
}

void CommonAccountDialog::TakeFocus()
{
    const int focus = form_.FocusControl();
    if (focus != 0 && form_.FocusMoves() != appliedFocus_) {
        appliedFocus_ = form_.FocusMoves();
        // Given before the window shows too, so that showing it does not hand the focus to the
        // first list or edit (which would make that row current).
        if (QWidget* widget = ControlWidget(focus); widget != nullptr && !widget->isHidden()) {
            widget->setFocus();
        }
    }
}

// The controls below the rows move up by the unused rows, and those below the keypad by its
// hidden rows, so that no gap remains.
void CommonAccountDialog::LayOut()
{
    const geometry::FormGeometry& g = geometry::For(kind_);
    const int shift = static_cast<int>(kCommonAccountRows - form_.RowCount()) * geometry::kRowPitch;
    ControlWidget(kHeading)->setGeometry(ToQRect(g.heading));
    ControlWidget(kCountdownLabel)->setGeometry(ToQRect(g.countdown));
    for (int row = 0; row < static_cast<int>(kCommonAccountRows); ++row) {
        ControlWidget(LabelId(row))->setGeometry(ToQRect(g.Label(row)));
        const QRect field = ToQRect(g.Field(row));
        ControlWidget(DisplayId(row))->setGeometry(field);
        ControlWidget(EditId(row))->setGeometry(field);
        ControlWidget(ComboId(row))->setGeometry(field);
    }
    const int hintY = geometry::PixelsDown(g.hintY) - shift;
    const int line = geometry::PixelsDown(12);
    ControlWidget(kHint)->setGeometry(
        geometry::PixelsAcross(5), hintY, geometry::PixelsAcross(g.fieldX - 8), line);
    ControlWidget(kGraphicKeypad)
        ->setGeometry(
            geometry::PixelsAcross(g.graphicRadioX), hintY, geometry::PixelsAcross(95), line);
    ControlWidget(kGeneralKeyboard)
        ->setGeometry(
            geometry::PixelsAcross(g.generalRadioX), hintY, geometry::PixelsAcross(95), line);

    const int keyHeight = geometry::PixelsDown(14);
    int y = geometry::PixelsDown(g.keypadY) - shift;
    auto placeKeys = [&](int first, int count, int extra, int extraCount) {
        int x = g.keypadX;
        for (int i = 0; i < count; ++i, x += 16) {
            ControlWidget(kFirstKey + first + i)
                ->setGeometry(geometry::PixelsAcross(x), y, geometry::PixelsAcross(15), keyHeight);
        }
        for (int i = 0; i < extraCount; ++i, x += 36) {
            ControlWidget(kFirstKey + extra + i)
                ->setGeometry(geometry::PixelsAcross(x), y, geometry::PixelsAcross(34), keyHeight);
        }
    };
    const bool digits = !ControlWidget(kFirstKey)->isHidden();
    const bool letters = !ControlWidget(kFirstKey + 10)->isHidden();
    if (digits) {
        placeKeys(0, 10, 36, 2);
        y += geometry::kKeypadRowPitch;
    }
    if (letters) {
        placeKeys(10, 14, 0, 0);
        y += geometry::kKeypadRowPitch;
        placeKeys(24, 12, 38, 1);
        y += geometry::kKeypadRowPitch;
    }
    const int hidden = form_.HiddenKeypadRows() * geometry::kKeypadRowPitch;
    const int buttonsY = geometry::PixelsDown(g.buttonsY) - shift - hidden;
    const QSize button(geometry::PixelsAcross(60), geometry::PixelsDown(14));
    ControlWidget(kOk)->setGeometry(QRect(QPoint(geometry::PixelsAcross(g.okX), buttonsY), button));
    ControlWidget(kCancel)->setGeometry(
        QRect(QPoint(geometry::PixelsAcross(g.cancelX), buttonsY), button));
    setFixedSize(g.dialog.width, g.dialog.height - shift - hidden);
}

int CommonAccountDialog::RowOf(QObject* watched) const
{
    const auto it = rowOf_.find(watched);
    return it == rowOf_.end() ? -1 : it->second;
}

bool CommonAccountDialog::eventFilter(QObject* watched, QEvent* event)
{
    const int row = RowOf(watched);
    if (row >= 0 && event->type() == QEvent::FocusIn) {
        Act([&] {
            form_.FocusRow(row);
            appliedFocus_ = form_.FocusMoves();
        });
    } else if (row >= 0 && event->type() == QEvent::KeyPress) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            const bool consumed = FilterEditKey(edit, static_cast<QKeyEvent*>(event));
            ShowState();
            return consumed;
        }
        // A list takes no typed character (its arrow keys still choose).
        auto* key = static_cast<QKeyEvent*>(event);
        const bool typed = !key->text().isEmpty() && key->text().at(0).unicode() >= 0x20;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || typed) {
            return true;
        }
    } else if (row >= 0 && event->type() == QEvent::InputMethod) {
        // Characters composed by an input method pass the same filter, one by one.
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            const QString committed = static_cast<QInputMethodEvent*>(event)->commitString();
            Text text = edit->text().toStdU16String();
            WipeOnExit<Text> wipeText(text);
            size_t caret = static_cast<size_t>(edit->cursorPosition());
            for (const QChar c : committed) {
                if (form_.FilterKey(KeyInput::Character(c.unicode()), text, caret)) {
                    ShowState();
                    return true;
                }
                text.insert(caret++, 1, c.unicode());
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// One Qt key press stands for the key going down and the character it types.
bool CommonAccountDialog::FilterEditKey(QLineEdit* edit, QKeyEvent* event)
{
    Text text = edit->text().toStdU16String();
    WipeOnExit<Text> wipeText(text);
    const size_t caret = static_cast<size_t>(edit->cursorPosition());
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return form_.FilterKey(KeyInput::KeyDown(kKeyEnter), text, caret);
    }
    if (event->key() == Qt::Key_Delete) {
        return form_.FilterKey(KeyInput::KeyDown(kKeyDelete), text, caret);
    }
    char16_t character = 0;
    if (event->matches(QKeySequence::Paste)) {
        if (form_.FilterKey(KeyInput::KeyDown(kKeyV, true), text, caret)) {
            return true;
        }
        character = kCharPaste;
    } else if (event->matches(QKeySequence::Copy)) {
        character = kCharCopy;
    } else if (event->key() == Qt::Key_Backspace) {
        character = kCharBackspace;
    } else if (!control && !event->text().isEmpty() && event->text().at(0).unicode() >= 0x20) {
        character = event->text().at(0).unicode();
    } else {
        return false; // caret movement and other editing keys
    }
    return form_.FilterKey(KeyInput::Character(character), text, caret);
}

void CommonAccountDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        const QPoint at = event->position().toPoint();
        Act([&] { form_.MouseReleased(at.x(), at.y()); });
    }
    QDialog::mouseReleaseEvent(event);
}

} // namespace velkor
