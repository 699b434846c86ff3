#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/dialog_texts.h"
#include "dialogs/keypad_panel.h"
#include "dialogs/protected_display_sink.h"
#include "dialogs/qt_key_filter.h"
#include "qt_test_application.h"
#include "recording_message_sink.h"
#include "widget_render.h"
#include "widgets/secure_static.h"

namespace velkor {
namespace {

// What a key draws: its text deciphered under its caption key position.
Text DrawnCaption(const CxShadeButton& key)
{
    Text plain;
    if (!key.CaptionProtected()) {
        return key.text().toStdU16String();
    }
    CDataProcess::RevealForDisplay(key.text().toStdU16String(), key.CaptionKey(), plain);
    return plain;
}

class KeypadPanelTest : public ::testing::Test {
protected:
    // Made before the widget members below.
    QApplication& application_ = testing::TestApplication();
    void Prepare(KeypadKind kind, bool random)
    {
        ASSERT_TRUE(key.Make());
        ASSERT_TRUE(order.Build(kind, random, key));
        panel = std::make_unique<KeypadPanel>(kind);
        ASSERT_TRUE(panel->Prepare(key, order, KeypadLook::TransferDialogs(), messages));
        panel->SetEntry(&entry);
        display.SetProtection(entry.DisplayOffset(), 24);
        panel->show();
    }
    Text Typed()
    {
        Text value;
        entry.ReadTypedValue(value);
        return value;
    }

    DialogKey key;
    KeypadOrder order;
    testing::RecordingMessageSink messages;
    CSecureStatic display;
    ProtectedEntry entry { key, order, ShowOn(display) };
    std::unique_ptr<KeypadPanel> panel;
};

TEST_F(KeypadPanelTest, RandomKeypadNeverOffersItsCharacters)
{
    Prepare(KeypadKind::kAlphanumeric, true);
    ASSERT_EQ(panel->KeyCount(), 39);
    for (int i = 0; i < panel->CharacterKeyCount(); ++i) {
        CxShadeButton& button = *panel->Key(i);
        const Text character = DrawnCaption(button);
        ASSERT_EQ(character.size(), 1u);
        EXPECT_EQ(character[0], order.CharacterAt(static_cast<size_t>(i), false, key));
        // Base64 may hold the character somewhere; no offered text may be the character.
        EXPECT_FALSE(testing::OfferedTexts(button).contains(QString::fromStdU16String(character)))
            << i;
    }
    EXPECT_EQ(DrawnCaption(*panel->Key(panel->CorrectionIndex())), dialog_text::kCorrection);
    EXPECT_EQ(DrawnCaption(*panel->Key(panel->ClearIndex())), dialog_text::kClear);

    // The case key rewrites the letters and typed letters follow it.
    panel->PressKey(panel->CaseIndex());
    EXPECT_TRUE(panel->LowerCase());
    const char16_t letter = order.CharacterAt(10, false, key);
    EXPECT_EQ(DrawnCaption(*panel->Key(10)), Text(1, static_cast<char16_t>(letter + 32)));
    panel->PressKey(10);
    EXPECT_EQ(Typed(), Text(1, static_cast<char16_t>(letter + 32)));
}

TEST_F(KeypadPanelTest, ClicksTypeCorrectAndClearThroughTheEntry)
{
    Prepare(KeypadKind::kDigits, false);
    entry.SetMaximumLength(3);
    QSignalSpy presses(panel.get(), &KeypadPanel::KeyPressed);
    for (const int position : { 9, 0, 4, 5 }) {
        QTest::mouseClick(panel->Key(position), Qt::LeftButton);
    }
    ASSERT_EQ(presses.count(), 4);
    EXPECT_EQ(presses[3][1].toInt(), ProtectedEntry::kRefused); // the fourth is past the maximum
    EXPECT_EQ(Typed(), u"015");
    // The display holds the typed text only in protected form.
    EXPECT_EQ(display.WindowText().find(u"015"), Text::npos);
    Text shown;
    ASSERT_TRUE(CDataProcess::RevealForDisplay(display.WindowText(), entry.DisplayOffset(), shown));
    EXPECT_EQ(shown, u"015");

    EXPECT_FALSE(testing::OffersText(display, u"015"));
    for (int i = 0; i < panel->KeyCount(); ++i) {
        EXPECT_FALSE(testing::OffersText(*panel->Key(i), u"015"));
    }

    QTest::mouseClick(panel->Key(panel->CorrectionIndex()), Qt::LeftButton);
    EXPECT_EQ(Typed(), u"01");
    display.SetBkColor(QColor(51, 153, 255)); // highlighted as the current field
    QTest::mouseClick(panel->Key(panel->ClearIndex()), Qt::LeftButton);
    EXPECT_EQ(entry.Count(), 0u);
    EXPECT_TRUE(display.WindowText().empty());
    EXPECT_EQ(display.BkColor(), QColor(Qt::white));
    EXPECT_EQ(panel->PressKey(panel->CorrectionIndex()), ProtectedEntry::kRefused);
    panel->SetEntry(nullptr);
    EXPECT_EQ(panel->PressKey(0), ProtectedEntry::kRefused);
}

TEST_F(KeypadPanelTest, AnOrderThatDoesNotOpenKeepsTheTemplateCaptions)
{
    DialogKey other;
    ASSERT_TRUE(other.Make());
    KeypadOrder foreign; // sealed under a key this panel is not given
    ASSERT_TRUE(foreign.Build(KeypadKind::kDigits, true, other));
    DialogKey unmade; // never made: nothing opens under it
    KeypadOrder unbuilt; // the generator failed while it was drawn
    EXPECT_FALSE(unbuilt.Build(
        KeypadKind::kDigits, true, other, [](std::span<uint8_t, 8>) { return false; }));
    const std::pair<const DialogKey*, const KeypadOrder*> cases[]
        = { { &unmade, &foreign }, { &other, &unbuilt } };
    for (const auto& [dialogKey, failedOrder] : cases) {
        messages.texts.clear();
        KeypadPanel fresh(KeypadKind::kDigits);
        EXPECT_FALSE(
            fresh.Prepare(*dialogKey, *failedOrder, KeypadLook::TransferDialogs(), messages));
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_EQ(messages.texts[0], dialog_text::kCannotAllocate);
        for (int i = 0; i < 10; ++i) {
            EXPECT_FALSE(fresh.Key(i)->CaptionProtected());
            EXPECT_EQ(fresh.Key(i)->text(), QString::number((i + 1) % 10));
        }
    }
}

class DialogKeyFilterTest : public ::testing::Test {
protected:
    // Made before the widget members below.
    QApplication& application_ = testing::TestApplication();
    void SetUp() override
    {
        okButton = new QPushButton("OK", &dialog);
        okButton->setDefault(true);
        QObject::connect(okButton, &QPushButton::clicked, [this] { ++okClicks; });
        account = new QLineEdit(&dialog);
        email = new QLineEdit(&dialog);
        account->move(0, 30);
        email->move(0, 60);
        filter = new QtDialogKeyFilter(&dialog, messages);
        filter->WatchAccountEdit(
            account, 16, [this] { return accountActive; }, [this](bool ok) { okState = ok; });
        filter->WatchEmailEdit(email);
        dialog.show();
    }

    QDialog dialog;
    QPushButton* okButton = nullptr;
    QLineEdit* account = nullptr;
    QLineEdit* email = nullptr;
    QtDialogKeyFilter* filter = nullptr;
    testing::RecordingMessageSink messages;
    bool accountActive = true;
    std::optional<bool> okState;
    int okClicks = 0;
};

TEST_F(DialogKeyFilterTest, AccountEditTakesDigitsAndEnterNeverPressesOk)
{
    QTest::keyClicks(account, "12a3");
    EXPECT_EQ(account->text(), "123");
    EXPECT_EQ(okState, true);
    QTest::keyClick(account, Qt::Key_Return);
    QTest::keyClick(okButton, Qt::Key_Enter);
    EXPECT_EQ(okClicks, 0);
    EXPECT_TRUE(dialog.isVisible());

    QGuiApplication::clipboard()->setText("45b");
    QTest::keyClick(account, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(account->text(), "123");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], dialog_text::kMustBeDigits);
    // Even text set without keys stays digits only.
    account->clear();
    account->insert("9x9");
    EXPECT_EQ(account->text(), "");
}

TEST_F(DialogKeyFilterTest, EmailEditRefusesDoubledSeparators)
{
    QTest::keyClicks(email, "a;;b@@c ");
    EXPECT_EQ(email->text(), "a;b@c");
    // Text that arrives without keys is held to the same rules.
    email->setCursorPosition(1); // before the ';'
    email->insert("||x");
    EXPECT_EQ(email->text(), "a;b@c");
    email->insert("|x");
    EXPECT_EQ(email->text(), "a|x;b@c");
}

// A key press with the text Qt attaches to it (X11 gives Delete U+007F; Tab and Escape carry
// their control characters on every platform); 0 for a key without text.
bool Press(QWidget* target, int key, char16_t text, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text != 0 ? QString(QChar(text)) : QString());
    return QApplication::sendEvent(target, &press);
}

TEST_F(DialogKeyFilterTest, NavigationAndEditingKeysReachTheWatchedFields)
{
    QLineEdit* other = new QLineEdit(&dialog);
    other->move(0, 90);
    for (QLineEdit* field : { account, email }) {
        SCOPED_TRACE(field == account ? "account" : "e-mail");
        field->setText("123");
        okState.reset();
        field->setFocus();
        field->setCursorPosition(0);
        Press(field, Qt::Key_Delete, 0x7F);
        EXPECT_EQ(field->text(), "23");
        if (field == account) {
            EXPECT_EQ(okState, true); // two characters before the Delete
        }
        Press(field, Qt::Key_Right, 0);
        EXPECT_EQ(field->cursorPosition(), 1);

        Press(field, Qt::Key_Tab, 0x09);
        EXPECT_NE(dialog.focusWidget(), field);
        field->setFocus();
        Press(field, Qt::Key_Backtab, 0x09, Qt::ShiftModifier);
        EXPECT_NE(dialog.focusWidget(), field);

        dialog.show();
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        Press(field, Qt::Key_Escape, 0x1B);
        EXPECT_EQ(rejected.count(), 1);
        dialog.show();
    }
    // Printable characters and other control characters still meet the account filter.
    account->setText("1");
    account->setFocus();
    account->end(false);
    Press(account, Qt::Key_A, u'a');
    Press(account, Qt::Key_A, 0x01, Qt::ControlModifier);
    Press(account, Qt::Key_X, 0x18, Qt::ControlModifier);
    EXPECT_EQ(account->text(), "1");
    Press(account, Qt::Key_Delete, 0x7F); // nothing after the caret: the text stays, OK goes off
    EXPECT_EQ(okState, false);
}

} // namespace
} // namespace velkor
