#include <gtest/gtest.h>

#include "dialogs/account_validation.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/keyboard_mode.h"
#include "recording_message_sink.h"

namespace velkor {
namespace {

TEST(KeyboardModeSwitchTest, StylesWithoutAChoiceKeepTheirOneMode)
{
    // Key types outside the table are read as 0: the keypad alone, in a random order.
    EXPECT_TRUE(EntryStyleFor(7).randomOrder);
    KeyboardModeSwitch keypadOnly(EntryStyleFor(-1));
    keypadOnly.Start();
    EXPECT_FALSE(keypadOnly.Choose(KeyboardMode::kGeneral).changed);
    EXPECT_EQ(keypadOnly.Mode(), KeyboardMode::kGraphic);
    KeyboardModeSwitch editOnly(EntryStyleFor(2));
    EXPECT_FALSE(editOnly.Start().showKeypad);
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
