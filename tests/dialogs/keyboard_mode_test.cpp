#include <gtest/gtest.h>

#include "dialogs/account_validation.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/keyboard_mode.h"
#include "recording_message_sink.h"

namespace velkor {
namespace {

TEST(EntryStyle, EachKeyTypeGivesItsOrderStartAndChoice)
{
    struct Row {
        int32_t keyType;
        bool random;
        KeyboardMode start;
        bool choice;
        bool keypad;
        bool edit;
    };
    const Row rows[] = {
        { 0, true, KeyboardMode::kGraphic, false, true, false },
        { 1, false, KeyboardMode::kGraphic, false, true, false },
        { 2, true, KeyboardMode::kGeneral, false, false, true },
        { 3, true, KeyboardMode::kGraphic, true, true, true },
        { 4, false, KeyboardMode::kGraphic, true, true, true },
        { 5, true, KeyboardMode::kGeneral, true, true, true },
        { 6, false, KeyboardMode::kGeneral, true, true, true },
        { 7, true, KeyboardMode::kGraphic, false, true, false }, // read as 0
        { -1, true, KeyboardMode::kGraphic, false, true, false },
    };
    for (const Row& row : rows) {
        const EntryStyle style = EntryStyleFor(row.keyType);
        EXPECT_EQ(style.randomOrder, row.random) << row.keyType;
        EXPECT_EQ(style.startMode, row.start) << row.keyType;
        EXPECT_EQ(style.choiceShown, row.choice) << row.keyType;
        EXPECT_EQ(style.keypadUsable, row.keypad) << row.keyType;
        EXPECT_EQ(style.editUsable, row.edit) << row.keyType;
    }
}

TEST(KeyboardModeSwitchTest, SwitchingDiscardsWhatTheOtherModeHeld)
{
    KeyboardModeSwitch modes(EntryStyleFor(3));
    const KeyboardModeChange start = modes.Start();
    EXPECT_TRUE(start.showKeypad);
    EXPECT_FALSE(start.showEdit);
    EXPECT_EQ(start.checkedRadio, KeyboardMode::kGraphic);
    EXPECT_FALSE(modes.EditIsActiveEntry());

    const KeyboardModeChange general = modes.Choose(KeyboardMode::kGeneral);
    EXPECT_TRUE(general.changed);
    EXPECT_TRUE(general.showEdit && general.emptyEdit && general.focusEdit);
    EXPECT_FALSE(general.showKeypad);
    EXPECT_TRUE(modes.EditIsActiveEntry());
    // Choosing it again only moves the focus.
    const KeyboardModeChange again = modes.Choose(KeyboardMode::kGeneral);
    EXPECT_FALSE(again.changed || again.emptyEdit);
    EXPECT_TRUE(again.focusEdit);

    const KeyboardModeChange graphic = modes.Choose(KeyboardMode::kGraphic);
    EXPECT_TRUE(graphic.changed && graphic.clearEntry && graphic.showKeypad);
    EXPECT_FALSE(graphic.showEdit || graphic.focusEdit);
    EXPECT_EQ(modes.Choose(KeyboardMode::kGraphic).changed, false);
}

TEST(KeyboardModeSwitchTest, StylesWithoutAChoiceKeepTheirOneMode)
{
    KeyboardModeSwitch keypadOnly(EntryStyleFor(0));
    keypadOnly.Start();
    EXPECT_FALSE(keypadOnly.Choose(KeyboardMode::kGeneral).changed);
    EXPECT_EQ(keypadOnly.Mode(), KeyboardMode::kGraphic);
    KeyboardModeSwitch editOnly(EntryStyleFor(2));
    const KeyboardModeChange start = editOnly.Start();
    EXPECT_TRUE(start.showEdit);
    EXPECT_FALSE(start.showKeypad);
    EXPECT_EQ(start.checkedRadio, KeyboardMode::kNotChosen);
    EXPECT_FALSE(editOnly.Choose(KeyboardMode::kGraphic).changed);
    EXPECT_TRUE(editOnly.EditIsActiveEntry());
}

TEST(AccountValidation, MessagesForMissingNonDigitAndShortAccounts)
{
    testing::RecordingMessageSink messages;
    EXPECT_FALSE(CheckTypedAccount({ false, 0, {}, 0 }, messages).accepted);
    EXPECT_FALSE(CheckTypedAccount({ true, 5, u"", 0 }, messages).accepted);
    const AccountCheck letters = CheckTypedAccount({ true, 0, u"12a", 0 }, messages);
    EXPECT_TRUE(letters.resetEdit);
    // A CJK character whose low byte is '1' is no digit.
    EXPECT_FALSE(CheckTypedAccount({ true, 0, u"12\u4E31", 0 }, messages).accepted);
    EXPECT_FALSE(CheckTypedAccount({ true, 0, u"1234", 5 }, messages).accepted);
    EXPECT_FALSE(CheckTypedAccount({ false, 4, {}, 5 }, messages).accepted);
    const std::vector<Text> expected { dialog_text::kCheckAccount, dialog_text::kCheckAccount,
        dialog_text::kAccountMustBeDigits, dialog_text::kAccountMustBeDigits,
        dialog_text::kCheckAccountLength, dialog_text::kCheckAccountLength };
    EXPECT_EQ(messages.texts, expected);
    EXPECT_EQ(messages.captions, std::vector<Text>(6, u"霖州銀行"));

    EXPECT_TRUE(CheckTypedAccount({ false, 3, {}, 0 }, messages).accepted);
    EXPECT_TRUE(CheckTypedAccount({ true, 0, u"12345", 5 }, messages).accepted);
    EXPECT_EQ(messages.texts.size(), 6u);
}

} // namespace
} // namespace velkor
