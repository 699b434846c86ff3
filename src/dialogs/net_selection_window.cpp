#include "dialogs/net_selection_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "dialog_fonts.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/static_style.h"

namespace velkor {

using namespace net_selection;

namespace {

const QColor kButtonFace(0xFE, 0xEE, 0xE2); // 0xE2EEFE
const QColor kRed(0xFF, 0x00, 0x00); // 0x0000FF

QString ToQString(const Text& text)
{
    return QString::fromStdU16String(text);
}

QFont DialogFont(int pixelHeight)
{
    QFont font(ToQString(kDialogFontFace));
    font.setPixelSize(pixelHeight);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

NetSelectionWindow::NetSelectionWindow(QWidget* parent)
    : DialogWindow(parent)
{
    setWindowTitle(ToQString(kWindowTitle));
}

void NetSelectionWindow::Attach(NetSelectionDecisions& decisions)
{
    decisions_ = &decisions;
}

QWidget* NetSelectionWindow::Label(int id)
{
    auto* label = new CXColorStatic(this, kStaticCentreImage);
    label->setMinimumSize(96, 20); // a static text has no size of its own
    Tag(label, id);
    return label;
}

QWidget* NetSelectionWindow::CountdownLabel()
{
    auto* label = new CXColorStatic(this, kStaticRight | kStaticCentreImage);
    label->SetFont(kDialogFontFace, 12);
    label->SetTextColor(kRed);
    label->setMinimumHeight(20);
    Tag(label, kCountdownLabel);
    return label;
}

QHBoxLayout* NetSelectionWindow::FontSizeRow(int labelId)
{
    auto* row = new QHBoxLayout;
    row->addWidget(Label(labelId));
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(this);
        const int id = decisions_->FirstFontRadio() + i;
        Tag(radio, id);
        connect(radio, &QRadioButton::clicked, this, [this, id] {
            Act([this, id] { decisions_->ChooseFontSize(id); });
            ApplyFonts();
        });
        row->addWidget(radio);
    }
    row->addStretch();
    return row;
}

QHBoxLayout* NetSelectionWindow::ButtonRow()
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const int id : { kOk, kCancel }) {
        auto* button = new CButtonEx({}, this);
        button->SetBkColor(kButtonFace);
        button->setAutoDefault(false);
        button->setDefault(false); // Enter never confirms
        button->setMinimumSize(90, 26);
        Tag(button, id);
        row->addWidget(button);
    }
    connect(static_cast<CButtonEx*>(ControlWidget(kOk)), &QPushButton::clicked, this,
        [this] { Act([this] { decisions_->Ok(); }); });
    connect(static_cast<CButtonEx*>(ControlWidget(kCancel)), &QPushButton::clicked, this,
        &NetSelectionWindow::reject);
    return row;
}

std::optional<int> NetSelectionWindow::Prepare()
{
    const std::optional<int> ended = decisions_->Start();
    if (!ended) {
        if (const auto& caption = decisions_->Caption()) {
            setWindowTitle(ToQString(*caption));
        }
        AfterStart();
    }
    ApplyFonts();
    ShowState();
    return ended;
}

void NetSelectionWindow::ApplyFonts()
{
    const DialogFontSizes sizes = FontSizesFor(decisions_->FontSize(), logicalDpiX());
    const FontTargets targets = Targets();
    for (const int id : targets.labels) {
        if (auto* label = qobject_cast<CXColorStatic*>(ControlWidget(id))) {
            label->SetFont(kDialogFontFace, sizes.labelSize);
        }
    }
    for (const int id : targets.controls) {
        if (QWidget* widget = ControlWidget(id)) {
            widget->setFont(DialogFont(sizes.controlHeight));
        }
    }
    for (const int id : targets.entries) {
        if (QWidget* widget = ControlWidget(id)) {
            widget->setFont(DialogFont(sizes.entryHeight));
        }
    }
}

void NetSelectionWindow::Refresh()
{
    ShowControls(decisions_->Controls(), [&](int, QWidget* widget, const auto& state) {
        const QString text = ToQString(state.text);
        if (auto* label = qobject_cast<CXColorStatic*>(widget)) {
            if (label->WindowText() != state.text) {
                label->SetText(state.text);
            }
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            const QSignalBlocker block(list);
            QStringList entries;
            for (const Text& entry : state.entries) {
                entries << ToQString(entry);
            }
            QStringList shown;
            for (int i = 0; i < list->count(); ++i) {
                shown << list->itemText(i);
            }
            if (shown != entries) {
                list->clear();
                list->addItems(entries);
            }
            list->setCurrentIndex(state.selected);
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            const QSignalBlocker block(radio);
            radio->setText(text);
            radio->setChecked(state.checked);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            const QSignalBlocker block(box);
            box->setText(text);
            box->setChecked(state.checked);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setText(text);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != text) {
                const QSignalBlocker block(edit);
                edit->setText(text);
            }
        } else if (auto* field = qobject_cast<QPlainTextEdit*>(widget)) {
            if (field->toPlainText() != text) {
                field->setPlainText(text);
            }
        }
    });
}

} // namespace velkor
