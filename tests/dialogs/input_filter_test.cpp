#include <gtest/gtest.h>

#include "dialogs/dialog_texts.h"
#include "dialogs/input_filter.h"
#include "recording_message_sink.h"

namespace velkor {
namespace {

using Key = KeyInput;

class InputFilterTest : public ::testing::Test {
protected:
    Text ReadClipboard()
    {
        ++clipboardReads;
        return clipboard;
    }

    testing::RecordingMessageSink messages;
    Text clipboard;
    int clipboardReads = 0;
    AccountInputFilter account { messages, [this] { return ReadClipboard(); } };
    EmailInputFilter email { messages, [this] { return ReadClipboard(); } };
};

TEST_F(InputFilterTest, AccountFieldTakesDigitsUpToItsMaximumOnlyWhileActive)
{
    // While the keypad is the entry, the edit's keys pass untouched.
    FilterDecision idle = account.Filter(Key::Character(u'a'), 0, 16, false);
    EXPECT_FALSE(idle.swallow);
    EXPECT_FALSE(idle.okEnabled.has_value());

    FilterDecision digit = account.Filter(Key::Character(u'7'), 0, 16, true);
    EXPECT_FALSE(digit.swallow);
    EXPECT_EQ(digit.okEnabled, true);
    for (const char16_t refused : { u'a', u' ', u'-', u'\u0661', u'\u4E31' }) {
        const FilterDecision decision = account.Filter(Key::Character(refused), 2, 16, true);
        EXPECT_TRUE(decision.swallow);
        EXPECT_FALSE(decision.okEnabled.has_value()); // a swallowed key changes nothing
    }
    for (const char16_t editing : { kCharCopy, kCharPaste }) {
        EXPECT_FALSE(account.Filter(Key::Character(editing), 2, 16, true).swallow);
    }
    // Full: only backspace gets through.
    EXPECT_TRUE(account.Filter(Key::Character(u'1'), 16, 16, true).swallow);
    EXPECT_TRUE(account.Filter(Key::Character(kCharPaste), 16, 16, true).swallow);
    EXPECT_FALSE(account.Filter(Key::Character(kCharBackspace), 16, 16, true).swallow);
    // Backspace over the last character turns OK off; Delete is judged in the Qt filter test.
    EXPECT_EQ(account.Filter(Key::Character(kCharBackspace), 1, 16, true).okEnabled, false);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(InputFilterTest, AccountPasteMustBeAllDigits)
{
    clipboard = u"12a";
    EXPECT_TRUE(account.Filter(Key::KeyDown(kKeyV, true), 0, 16, true).swallow);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], dialog_text::kMustBeDigits);
    EXPECT_EQ(messages.captions[0], u"霖州銀行");

    clipboard = u"0123456789";
    EXPECT_FALSE(account.Filter(Key::KeyDown(kKeyV, true), 3, 16, true).swallow);
    // Only the first 150 characters are looked at.
    clipboard = Text(150, u'5') + u"x";
    EXPECT_FALSE(account.Filter(Key::KeyDown(kKeyV, true), 0, 16, true).swallow);
    // V without Control is an ordinary key.
    clipboard = u"x";
    EXPECT_FALSE(account.Filter(Key::KeyDown(kKeyV, false), 0, 16, true).swallow);
    // Already past the maximum: dropped without reading the clipboard or a message.
    const int reads = clipboardReads;
    EXPECT_TRUE(account.Filter(Key::KeyDown(kKeyV, true), 17, 16, true).swallow);
    EXPECT_EQ(clipboardReads, reads);
    EXPECT_EQ(messages.texts.size(), 1u);
}

TEST_F(InputFilterTest, EmailFieldTakesAddressCharactersAndNeverDoublesASeparator)
{
    for (const char16_t c : { u'a', u'Z', u'0', u'.', u'@', u';', u'_', u'\u738B' }) {
        EXPECT_FALSE(email.Filter(Key::Character(c), 5, u'x', 0).swallow) << int(c);
    }
    for (const char16_t c : { u' ', u'$', u'"', u'\'' }) {
        EXPECT_TRUE(email.Filter(Key::Character(c), 5, u'x', 0).swallow) << int(c);
    }
    for (const char16_t c : { u'|', u';', u'@', u'%' }) {
        EXPECT_TRUE(email.Filter(Key::Character(c), 5, c, 0).swallow); // after the same one
        EXPECT_TRUE(email.Filter(Key::Character(c), 5, u'a', c).swallow); // before it
        EXPECT_FALSE(email.Filter(Key::Character(c), 5, u'a', u'b').swallow);
    }
    EXPECT_FALSE(email.Filter(Key::Character(u'.'), 5, u'.', 0).swallow); // not a separator
    EXPECT_TRUE(email.Filter(Key::KeyDown(kKeyEnter), 0, 0, 0).swallow);
    EXPECT_TRUE(email.Filter(Key::Character(u'a'), 150, 0, 0).swallow);
    EXPECT_FALSE(email.Filter(Key::Character(kCharBackspace), 150, 0, 0).swallow);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(InputFilterTest, EmailPasteIsCheckedLikeTyping)
{
    const auto paste = [&](const Text& text, char16_t before, char16_t after) {
        clipboard = text;
        messages.texts.clear();
        const bool swallowed = email.Filter(Key::KeyDown(kKeyV, true), 0, before, after).swallow;
        EXPECT_EQ(messages.texts.size(), swallowed ? 1u : 0u);
        if (swallowed) {
            EXPECT_EQ(messages.texts[0], dialog_text::kMustBeEmailChars);
        }
        return swallowed;
    };
    EXPECT_TRUE(paste(u"a b", 0, 0));
    EXPECT_FALSE(paste(u"a@b.com;c@d.com", 0, 0));
    EXPECT_FALSE(paste(u"王小明@例子.tw", 0, 0));
    EXPECT_TRUE(paste(u"a;;b", 0, 0));
    EXPECT_TRUE(paste(u";b", u';', 0));
    EXPECT_TRUE(paste(u"a%", 0, u'%'));
    EXPECT_FALSE(paste(u"", u';', u';'));
}

} // namespace
} // namespace velkor
