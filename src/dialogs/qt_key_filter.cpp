#include "dialogs/qt_key_filter.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QValidator>
#include <vector>

namespace velkor {

namespace {

bool BelongsTo(QObject* object, const QWidget* dialog)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget != nullptr && dialog != nullptr
        && (widget == dialog || dialog->isAncestorOf(widget));
}

// Whether a key's text is a character typed into the field. Qt attaches control characters to
// Tab and Backtab (U+0009), Escape (U+001B) and, on X11, Delete (U+007F); those keys move the
// focus, cancel the dialog or edit the text, so they must reach the field and the dialog as keys,
// never be refused as typed characters. Printable text is typed, and so are the control
// characters of Ctrl+letter (U+0001 to U+001A), which the filters swallow where they allow only
// Ctrl+C and Ctrl+V.
bool TypesCharacter(int key, char16_t character)
{
    if (character >= 0x20 && character != 0x7F) {
        return true;
    }
    return character != 0 && key >= Qt::Key_A && key <= Qt::Key_Z;
}

// A Qt key press as the filters see it: the key going down, then the character it types, if any.
std::vector<KeyInput> Translate(const QKeyEvent& event)
{
    const bool control = event.modifiers().testFlag(Qt::ControlModifier);
    std::vector<KeyInput> keys;
    int code = 0;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        code = kKeyEnter;
        break;
    case Qt::Key_Delete:
        code = kKeyDelete;
        break;
    case Qt::Key_V:
        code = kKeyV;
        break;
    default:
        break;
    }
    const bool paste = event.matches(QKeySequence::Paste);
    keys.push_back(KeyInput::KeyDown(paste ? kKeyV : code, control || paste));
    if (event.key() == Qt::Key_Backspace) {
        keys.push_back(KeyInput::Character(kCharBackspace));
    } else if (paste) {
        keys.push_back(KeyInput::Character(kCharPaste));
    } else if (event.matches(QKeySequence::Copy)) {
        keys.push_back(KeyInput::Character(kCharCopy));
    } else if (!event.text().isEmpty() && code != kKeyEnter
        && TypesCharacter(event.key(), event.text().at(0).unicode())) {
        keys.push_back(KeyInput::Character(event.text().at(0).unicode()));
    }
    return keys;
}

// The last guard of the e-mail field, for text that arrives without keys (input methods, drops):
// only address characters, no doubled separator, at most the field's length.
class EmailValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& text, int&) const override
    {
        if (static_cast<size_t>(text.size()) > EmailInputFilter::kMaximumLength) {
            return Invalid;
        }
        char16_t previous = 0;
        for (const QChar c : text) {
            const char16_t code = c.unicode();
            if (!EmailInputFilter::Accepts(code)
                || (EmailInputFilter::IsSeparator(code) && code == previous)) {
                return Invalid;
            }
            previous = code;
        }
        return Acceptable;
    }
};

} // namespace

QtDialogKeyFilter::QtDialogKeyFilter(QWidget* dialog, MessageSink& messages)
    : QObject(dialog)
    , dialog_(dialog)
    , accountFilter_(messages, &QtDialogKeyFilter::ClipboardText)
    , emailFilter_(messages, &QtDialogKeyFilter::ClipboardText)
{
    qApp->installEventFilter(this);
}

QtDialogKeyFilter::~QtDialogKeyFilter()
{
    qApp->removeEventFilter(this);
}

Text QtDialogKeyFilter::ClipboardText()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? clipboard->text().toStdU16String() : Text();
}

void QtDialogKeyFilter::WatchAccountEdit(QLineEdit* edit, int maximumLength,
    std::function<bool()> isActive, std::function<void(bool)> okChanged)
{
    accountEdit_ = edit;
    accountActive_ = std::move(isActive);
    okChanged_ = std::move(okChanged);
    edit->setMaxLength(maximumLength);
    // Keys are filtered above; the validator also stops text arriving by input methods or drops.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setDragEnabled(false);
    edit->setAcceptDrops(false);
}

void QtDialogKeyFilter::WatchEmailEdit(QLineEdit* edit)
{
    emailEdit_ = edit;
    edit->setMaxLength(static_cast<int>(EmailInputFilter::kMaximumLength));
    edit->setValidator(new EmailValidator(edit));
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setAcceptDrops(false);
}

bool QtDialogKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !BelongsTo(watched, dialog_)) {
        return false;
    }
    const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
    for (const KeyInput& key : Translate(keyEvent)) {
        if (IsEnterKeyDown(key)) {
            return true;
        }
        if (watched == accountEdit_ && FilterAccountKey(key)) {
            return true;
        }
        if (watched == emailEdit_ && FilterEmailKey(key)) {
            return true;
        }
    }
    return false;
}

bool QtDialogKeyFilter::FilterAccountKey(const KeyInput& key)
{
    const bool active = accountActive_ ? accountActive_() : true;
    const FilterDecision decision
        = accountFilter_.Filter(key, static_cast<size_t>(accountEdit_->text().size()),
            static_cast<size_t>(accountEdit_->maxLength()), active);
    if (decision.okEnabled && okChanged_) {
        okChanged_(*decision.okEnabled);
    }
    return decision.swallow;
}

bool QtDialogKeyFilter::FilterEmailKey(const KeyInput& key)
{
    const QString text = emailEdit_->text();
    qsizetype start = emailEdit_->cursorPosition();
    qsizetype end = start;
    if (emailEdit_->hasSelectedText()) {
        start = emailEdit_->selectionStart();
        end = start + emailEdit_->selectedText().size();
    }
    const char16_t before = start > 0 ? text.at(start - 1).unicode() : 0;
    const char16_t after = end < text.size() ? text.at(end).unicode() : 0;
    return emailFilter_.Filter(key, static_cast<size_t>(text.size()), before, after).swallow;
}

} // namespace velkor
