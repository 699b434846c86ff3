#include <gtest/gtest.h>

#include "dialogs/dialog_texts.h"
#include "dialogs/trans_set_decisions.h"
#include "dialogs/virtual_dialog_timers.h"
#include "list_cipher_fixture.h"
#include "recording_message_sink.h"

// The transfer-account dialogs' decisions: which kinds the document offers, what OK builds for
// each kind in both dialogs, and that what leaves the dialog is enciphered and wiped.
namespace velkor {
namespace {

using namespace trans_set;

// KeyType 1 keeps the template order: position i types (i + 1) % 10.
constexpr int KeyOf(char16_t digit)
{
    return kFirstKey + (digit == u'0' ? 9 : digit - u'1');
}

Text Node(const Text& attributes, const Text& content)
{
    return u"<AtmNode " + attributes + u">" + content + u"</AtmNode>";
}

const Text kAgreed = Node(u"Name=\"約定帳號\"", u"甲帳戶%%004||12345678901234;;乙-帳戶%%812||55;;");
const Text kCommon
    = Node(u"Name=\"常用\"", u"媽媽-郵局%%700||0001111$$mom@mail.test;;同事%%812||0002222;;");
const Text kBanks = Node(u"Name=\"其他\"", u"乙銀行%%812;;丙銀行%% 0070x;;");
const Text kEmpty = u"<AtmNode Name=\"x\"/>";

class TransSet : public ::testing::Test {
protected:
    std::optional<int> Open(const Text& body,
        TransferAccountDialog dialog = TransferAccountDialog::WebAtm, int keyType = 1)
    {
        document_ = u"<KeyType>" + Text(1, static_cast<char16_t>(u'0' + keyType))
            + u"</KeyType><TimeOut>90</TimeOut>" + body;
        request.dialog = dialog;
        request.document = document_;
        request.keys = { cipher.KeyHash(), cipher.EncryptedKey() };
        decisions.emplace(request, timers, messages);
        timers.SetHandler([this](int id) { decisions->Tick(id); });
        return decisions->Start();
    }
    void Type(const Text& digits)
    {
        for (const char16_t digit : digits) {
            decisions->Click(KeyOf(digit));
        }
    }
    // OK, then the results as the procedure reads them.
    void Confirm()
    {
        decisions->Ok();
        ASSERT_EQ(decisions->Result(), kConfirmed);
        decisions->HandOver();
    }
    bool Enabled(int id) const { return decisions->Control(id).enabled; }
    bool Checked(int id) const { return decisions->Control(id).checked; }

    testing::ListCipherFixture cipher;
    Text document_;
    TransferAccountRequest request;
    VirtualDialogTimers timers;
    testing::RecordingMessageSink messages;
    std::optional<TransSetDecisions> decisions;
};

TEST_F(TransSet, AgreedItemGivesTheExactResultsEncipheredAndWipedAfterHandOver)
{
    ASSERT_FALSE(Open(kAgreed + kCommon + kBanks));
    EXPECT_EQ(decisions->Control(kAgreedRadio).text, u"約定帳號");
    EXPECT_EQ(decisions->Control(kCommonRadio).text, u"常用");
    EXPECT_TRUE(Checked(kAgreedRadio));
    EXPECT_FALSE(Enabled(kAddToCommon));
    Confirm();
    EXPECT_EQ(request.firstResult,
        u"0012345678901234"
        u"0"
        u"甲帳戶%%004");
    EXPECT_EQ(request.secondResult, u"004||12345678901234||0||2523||");
    EXPECT_EQ(cipher.Plain(request.encipheredFirstResult), request.firstResult);
    EXPECT_EQ(cipher.Plain(request.encipheredSecondResult), request.secondResult);
    EXPECT_TRUE(decisions->Results().first.empty());
    EXPECT_TRUE(decisions->EncipheredFirst().empty());

    // The display text up to its first '-'; the e-mail field follows both results.
    ASSERT_FALSE(Open(kAgreed + kCommon + kBanks));
    decisions->SelectItem(kAgreedList, 1);
    decisions->SetEmailText(u"a@b.test;c@d.test");
    Confirm();
    EXPECT_EQ(request.firstResult,
        u"0000000000000055"
        u"0"
        u"乙%%812$$a@b.test;c@d.test");
    EXPECT_EQ(request.secondResult, u"812||55||0||2523||a@b.test;c@d.test||");
}

TEST_F(TransSet, CommonKindTakesOverWithoutAgreedDataAndDropsTheEmailOfAnItemWithout)
{
    ASSERT_FALSE(Open(kEmpty + kCommon + kBanks));
    // No agreed data: its radio and list are off and the common kind is chosen.
    EXPECT_FALSE(Enabled(kAgreedRadio));
    EXPECT_FALSE(Enabled(kAgreedList));
    EXPECT_TRUE(Checked(kCommonRadio));
    decisions->SelectItem(kCommonList, 1);
    Confirm();
    EXPECT_EQ(request.firstResult,
        u"0000000000002222"
        u"1"
        u"同事%%812");
    EXPECT_EQ(request.secondResult, u"812||0002222||1||2523||");
}

TEST_F(TransSet, GeneralKeyboardEditOfLettersIsEmptiedAtOk)
{
    ASSERT_FALSE(Open(kAgreed + kCommon + kBanks, TransferAccountDialog::WebAtm, 6));
    EXPECT_FALSE(decisions->Control(kFirstKey).visible);
    EXPECT_TRUE(decisions->Control(kAccountEdit).visible);
    decisions->Focus(kAccountEdit);
    EXPECT_TRUE(Checked(kOtherRadio));
    EXPECT_TRUE(Enabled(kGeneralRadio));
    decisions->SetAccountText(u"12a");
    decisions->Ok();
    EXPECT_FALSE(decisions->Result());
    EXPECT_EQ(messages.texts.back(), dialog_text::kAccountMustBeDigits);
    EXPECT_EQ(decisions->AccountText(), u"");
    EXPECT_EQ(decisions->TakeFocusRequest(), kAccountEdit);
}

TEST_F(TransSet, NoListDataLeavesOkOffAndAnUnchosenKindCannotBeConfirmed)
{
    ASSERT_FALSE(Open(kEmpty + kEmpty + kEmpty));
    EXPECT_FALSE(decisions->OkEnabled());
    for (const int id : { kAgreedRadio, kCommonRadio, kOtherRadio, kBankList }) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    // A key press enables OK, but no kind has an account to give: the dialog stays open.
    Type(u"1");
    EXPECT_TRUE(decisions->OkEnabled());
    EXPECT_FALSE(Checked(kOtherRadio));
    decisions->Ok();
    EXPECT_FALSE(decisions->Result());

    // AddComm 1 hides the box; check 1 otherwise starts it checked.
    ASSERT_FALSE(Open(u"<AddComm>1</AddComm>" + kAgreed));
    EXPECT_FALSE(decisions->Control(kAddToCommon).visible);
    ASSERT_FALSE(Open(kAgreed + Node(u"check=\"1\"", u"x%%1||2;;")));
    EXPECT_TRUE(Checked(kAddToCommon));
}

TEST_F(TransSet, EncipheredListsDecipherAgainAtOkAndWrongOnesAreSkippedOrCancel)
{
    const Text agreed = Node(u"Ciph=\"1\"", cipher.Encipher(u"甲%%004||0001;;"));
    ASSERT_FALSE(Open(agreed + kCommon + kBanks));
    Confirm();
    EXPECT_EQ(request.secondResult, u"004||0001||0||2523||");

    // The web-ATM dialog skips a list of a wrong length; the net bank's cancels at once.
    const Text wrong = Node(u"Type=\"0\" Ciph=\"1\"", u"ABC");
    ASSERT_FALSE(Open(wrong + kCommon + kBanks));
    EXPECT_FALSE(Enabled(kAgreedRadio));
    EXPECT_EQ(Open(wrong, TransferAccountDialog::NetBank), kCancelled);
    EXPECT_EQ(messages.texts.back(), dialog_text::kListDataFailed);
}

TEST_F(TransSet, EncipheringFailureEndsWithOkAndEmptyEncipheredResults)
{
    ASSERT_FALSE(Open(kAgreed));
    request.keys = {};
    Confirm();
    EXPECT_EQ(request.secondResult, u"004||12345678901234||0||2523||");
    EXPECT_TRUE(request.encipheredFirstResult.empty());
    EXPECT_TRUE(request.encipheredSecondResult.empty());
    EXPECT_EQ(messages.texts.back(), kEncipherFailed);
}

TEST_F(TransSet, TimesOutAndCancelsWithoutResults)
{
    ASSERT_FALSE(Open(kAgreed));
    timers.Advance(90'000);
    EXPECT_EQ(decisions->Result(), kCancelled);
    EXPECT_EQ(messages.texts.back(), dialog_text::kTimedOut);
    EXPECT_TRUE(decisions->ListEntries(kAgreedList).empty());
}

TEST_F(TransSet, NetBankPlacesElementsByTypeAndGroupsTheCommonAccounts)
{
    const Text body = Node(u"Type=\"1\" Name=\"家人\"", u"媽媽%%700||0001111$$mom@mail.test;;")
        + Node(u"Type=\"2\" Name=\"他行\"", u"乙銀行%%812;;")
        + Node(u"Type=\"1\" Name=\"同事\"", u"阿明%%812||0002222;;阿華%%812||0003333;;")
        + Node(u"Type=\"0\" Name=\"約定\"", u"甲%%004||0009;;");
    ASSERT_FALSE(Open(body, TransferAccountDialog::NetBank));
    EXPECT_EQ(decisions->Control(kAgreedRadio).text, u"約定");
    EXPECT_EQ(decisions->Control(kOtherRadio).text, u"他行");
    decisions->SelectItem(kGroupList, 2);
    EXPECT_EQ(decisions->ListEntries(kCommonList), (std::vector<Text> { u"阿明", u"阿華" }));
    decisions->SelectItem(kGroupList, 1);
    Confirm();
    // The hidden value takes the e-mail's place; no transfer code.
    EXPECT_EQ(request.firstResult,
        u"0000000000001111"
        u"1"
        u"媽媽%%700$$mom@mail.test");
    EXPECT_EQ(request.secondResult, u"700||0001111||1||mom@mail.test||");

    ASSERT_FALSE(Open(body, TransferAccountDialog::NetBank));
    Type(u"1234567");
    Confirm();
    EXPECT_EQ(request.firstResult,
        u"0000000001234567"
        u"2");
    EXPECT_EQ(request.secondResult, u"000||1234567||2||");
    EXPECT_EQ(cipher.Plain(request.encipheredSecondResult), request.secondResult);
}

} // namespace
} // namespace velkor
