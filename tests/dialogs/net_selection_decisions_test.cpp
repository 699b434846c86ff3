#include <gtest/gtest.h>

#include "dialogs/trans_com_decisions.h"
#include "dialogs/trans_deal_decisions.h"
#include "dialogs/trans_oth_decisions.h"
#include "dialogs/virtual_dialog_timers.h"
#include "list_cipher_fixture.h"
#include "recording_message_sink.h"
#include "support/scoped_environment.h"

// The net-bank selection dialogs' decisions on a virtual clock: the result each builds, what it
// hands over enciphered, the common accounts' groups and filter, the other account's checks.
namespace velkor {
namespace {

class NetSelection : public ::testing::Test {
protected:
    template <typename Decisions> std::unique_ptr<Decisions> Open(const Text& document)
    {
        document_ = document;
        request_ = {};
        request_.document = document_;
        request_.keys = { cipher_.KeyHash(), cipher_.EncryptedKey() };
        auto decisions = std::make_unique<Decisions>(request_, timers_, messages_, Fonts());
        timers_.SetHandler([raw = decisions.get()](int id) { raw->Tick(id); });
        decisions->Start();
        return decisions;
    }
    FontSizeFile Fonts() const { return FontSizeFile(folder_.Path()); }

    testing::ListCipherFixture cipher_;
    testing::RecordingMessageSink messages_;
    VirtualDialogTimers timers_;
    NetSelectionRequest request_;
    Text document_;
    testing::TemporaryDirectory folder_;
};

TEST_F(NetSelection, AgreedAccountResultIsClosedOnceAndDeciphersBack)
{
    const Text items = u"甲 004%%004||1234567890;;乙 812%%812||0001112223||;;";
    for (const Text& element : { u"<AtmNode Ciph=\"0\">" + items + u"</AtmNode>",
             u"<AtmNode Ciph=\"1\">" + cipher_.Encipher(items) + u"</AtmNode>" }) {
        auto dialog = Open<TransDealDecisions>(u"<TimeOut>30</TimeOut>" + element);
        EXPECT_EQ(dialog->Control(trans_deal::kList).entries.size(), 2u);
        dialog->Ok();
        EXPECT_EQ(dialog->Result(), 1);
        EXPECT_EQ(request_.result, u"0||004||1234567890||");
        EXPECT_EQ(cipher_.Plain(request_.encipheredResult), request_.result);

        dialog = Open<TransDealDecisions>(element);
        ASSERT_TRUE(dialog->Select(1));
        dialog->Ok();
        EXPECT_EQ(request_.result, u"0||812||0001112223||"); // no second "||"
    }
}

TEST_F(NetSelection, OkWithoutAnAccountStaysOpenAndTheCountdownCancels)
{
    auto dialog = Open<TransDealDecisions>(u"<TimeOut>2</TimeOut><AtmNode Name=\"x\"/>");
    dialog->Ok();
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_EQ(messages_.texts.back(), net_selection::kChooseAccount);
    timers_.Advance(1000);
    EXPECT_EQ(dialog->Control(net_selection::kCountdownLabel).text, u"  1 秒後自動離開本畫面");
    timers_.Advance(1000);
    EXPECT_EQ(dialog->Result(), 2);
    EXPECT_EQ(messages_.texts.back(), u"交易時間逾時，請重新執行交易 !");
    EXPECT_TRUE(request_.result.empty());

    // A result that cannot be enciphered is still handed over, without its encipherment.
    dialog = Open<TransDealDecisions>(u"<AtmNode>a%%1||2</AtmNode>");
    request_.keys = { u"00", u"00" };
    dialog->Ok();
    EXPECT_EQ(dialog->Result(), 1);
    EXPECT_EQ(messages_.texts.back(), net_selection::kEncipherFailed);
    EXPECT_EQ(request_.result, u"0||1||2||");
    EXPECT_TRUE(request_.encipheredResult.empty());
}

class CommonAccounts : public NetSelection {
protected:
    std::unique_ptr<TransComDecisions> OpenGroups(const Text& extra = {})
    {
        const Text friends = u"(1)王小明%%004||111||王小明||A1;;(2)Bob%%004||222||Bob;;"
                             u"王大同%%812||333||陳;;(2)Bob%%812||444||Bob;;";
        const Text family = u"(3)媽媽%%700||555||mom||||x@y;;";
        return Open<TransComDecisions>(u"<Title>銀行</Title><Title>帳號</Title><Title>戶名</Title>"
                                       u"<Title>ID</Title>"
            + extra + u"<AtmNode Type=\"1\" Name=\"朋友\">" + friends
            + u"</AtmNode><AtmNode Type=\"1\" Ciph=\"1\" Name=\"家人\">" + cipher_.Encipher(family)
            + u"</AtmNode><AtmNode Type=\"1\" Name=\"空\"/>");
    }
    std::vector<Text> Listed(const TransComDecisions& dialog) const
    {
        return dialog.Control(trans_com::kAccountList).entries;
    }
};

TEST_F(CommonAccounts, GroupsListEveryGroupAndChooseByName)
{
    auto dialog = OpenGroups();
    using Entries = std::vector<Text>;
    EXPECT_EQ(dialog->Control(trans_com::kGroupList).entries,
        (Entries { u"群組-全部", u"群組-朋友", u"群組-家人", u"群組-空" }));
    EXPECT_EQ(Listed(*dialog).size(), 5u);
    ASSERT_TRUE(dialog->Select(trans_com::kGroupList, 2));
    EXPECT_EQ(Listed(*dialog), Entries { u"(3)媽媽" });
    EXPECT_EQ(dialog->Control(1002).text, u"700"); // details after the group's filter "*"
    EXPECT_EQ(dialog->Control(1005).text, u""); // an empty field stays empty
    ASSERT_TRUE(dialog->Select(trans_com::kGroupList, 0));
    EXPECT_EQ(Listed(*dialog).size(), 5u);
    EXPECT_EQ(dialog->Control(trans_com::kAccountList).selected, 0);

    // Select opens on a group; a group without data lists nothing and says so.
    dialog = OpenGroups(u"<Select>3</Select>");
    EXPECT_TRUE(Listed(*dialog).empty());
    dialog->Ok();
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_EQ(messages_.texts.back(), net_selection::kChooseAccount);
}

TEST_F(CommonAccounts, FilterSearchesAfterTheBracketOrInTheFieldWithoutDuplicates)
{
    auto dialog = OpenGroups();
    using Entries = std::vector<Text>;
    const auto filter = [&](const Text& text) {
        dialog->SetFilterText(text);
        dialog->ApplyFilter();
        return Listed(*dialog);
    };
    // By the display after its first bracket, or by the third value field.
    EXPECT_EQ(filter(u"王"), Entries { u"(1)王小明" });
    EXPECT_EQ(filter(u"bOB"), Entries { u"(2)Bob" }); // ASCII case ignored, listed once
    EXPECT_EQ(filter(u"陳"), Entries { u"王大同" }); // no ')': only the field is searched
    EXPECT_EQ(filter(u"("), Entries {}); // before the bracket is not searched
    EXPECT_EQ(messages_.texts.back(), net_selection::kChooseAccount);
    EXPECT_EQ(filter(u"*").size(), 5u);
    dialog->SetFilterText(Text(70, u'x'));
    EXPECT_EQ(dialog->Control(trans_com::kFilterField).text.size(), 64u);
    filter(u"");
    EXPECT_EQ(Listed(*dialog).size(), 5u); // an empty text changes nothing

    dialog = OpenGroups(u"<Filter>2</Filter>");
    EXPECT_EQ(filter(u"333"), Entries { u"王大同" });
    filter(u"媽");
    dialog->Ok();
    EXPECT_EQ(request_.result, u"1||700||555||mom||||x@y||");
    EXPECT_EQ(cipher_.Plain(request_.encipheredResult), request_.result);
}

class OtherAccount : public NetSelection {
protected:
    std::unique_ptr<TransOthDecisions> OpenOther(const Text& element, int keyType = 1)
    {
        return Open<TransOthDecisions>(
            u"<KeyType>" + Utf8ToText(std::to_string(keyType)) + u"</KeyType>" + element);
    }
    void Type(TransOthDecisions& dialog, std::u16string_view digits)
    {
        for (const char16_t c : digits) {
            dialog.PressKey(trans_oth::kFirstKey + dialog.PositionOf(c));
        }
    }
};

TEST_F(OtherAccount, MinimumLengthThenTheResultWithTheCheckBox)
{
    auto dialog = OpenOther(u"<AtmNode min=\"10\" Default=\"12\"/>", 0);
    dialog->Ok(); // nothing typed is never an account
    EXPECT_EQ(messages_.texts.back(), u"請確認輸入帳號");
    Type(*dialog, u"123456789");
    dialog->Ok();
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_EQ(messages_.texts.back(), u"請確認輸入帳號長度");
    Type(*dialog, u"0");
    EXPECT_EQ(dialog->DisplayCharacters(), u"1234567890");
    dialog->Ok();
    EXPECT_EQ(request_.result, u"2||000||1234567890||");
    EXPECT_EQ(cipher_.Plain(request_.encipheredResult), request_.result);

    dialog = OpenOther(u"<AtmNode check=\"1\" Default=\"16\">0012345</AtmNode>");
    EXPECT_EQ(dialog->DisplayCharacters(), u"0012345"); // the preset on the keypad
    dialog->Ok();
    EXPECT_EQ(request_.result, u"3||000||0012345||");

    // AddComm 1 hides the check box whatever `check` says.
    dialog = OpenOther(u"<AddComm>1</AddComm><AtmNode check=\"1\" Default=\"16\">77</AtmNode>");
    EXPECT_FALSE(dialog->Control(trans_oth::kAddToCommon).visible);
    dialog->Ok();
    EXPECT_EQ(request_.result, u"2||000||77||");
}

TEST_F(OtherAccount, LengthsComeFromTheElement)
{
    // No Default: nothing can be typed.
    auto dialog = OpenOther(u"<AtmNode/>");
    EXPECT_EQ(dialog->PressKey(trans_oth::kFirstKey), ProtectedEntry::kRefused);
    // Beyond what the result carries the maximum stops at 40.
    dialog = OpenOther(u"<AtmNode Default=\"45\"/>");
    Type(*dialog, Text(45, u'7'));
    EXPECT_EQ(dialog->DisplayCharacters().size(), 40u);
    dialog->Ok();
    EXPECT_EQ(request_.result, u"2||000||" + Text(40, u'7') + u"||");
    // The edit field is read up to the maximum, not cut shorter.
    dialog = OpenOther(u"<AtmNode Default=\"20\"/>", 2);
    dialog->SetEditText(Text(20, u'5'));
    dialog->Ok();
    EXPECT_EQ(request_.result, u"2||000||" + Text(20, u'5') + u"||");
}

TEST_F(OtherAccount, PresetsThatDoNotSuitAreIgnored)
{
    const Text ignored = u"第1項之預設值錯誤,忽略";
    auto dialog = OpenOther(u"<AtmNode Type=\"3\" Default=\"16\">12AB</AtmNode>");
    EXPECT_EQ(messages_.texts.back(), ignored);
    EXPECT_EQ(dialog->DisplayCharacters(), u"");
    dialog = OpenOther(u"<AtmNode Type=\"4\" Default=\"16\">12AB</AtmNode>", 2);
    EXPECT_EQ(dialog->EditText(), u"12AB"); // general keyboard: into the edit field
    dialog->Ok();
    EXPECT_EQ(messages_.texts.back(), u"輸入帳號必須數字");
    EXPECT_EQ(dialog->EditText(), u"");
    EXPECT_TRUE(dialog->TakeEditFocusRequest());

    // An enciphered preset is cut to Default; one of the wrong length or that does not
    // decipher leaves the dialog open with an empty field.
    dialog = OpenOther(
        u"<AtmNode Ciph=\"1\" Default=\"4\">" + cipher_.Encipher(u"123456") + u"</AtmNode>");
    EXPECT_EQ(dialog->DisplayCharacters(), u"1234");
    messages_.texts.clear();
    dialog = OpenOther(u"<AtmNode Ciph=\"1\" Default=\"16\">ABC</AtmNode>");
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_EQ(messages_.texts, std::vector<Text> { u"獲取加密帳號資料失敗" });
    // Not hexadecimal, so it never deciphers by chance under the random key.
    dialog = OpenOther(u"<AtmNode Ciph=\"1\" Default=\"16\">" + Text(32, u'Z') + u"</AtmNode>");
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_EQ(messages_.texts.back(), ignored);
}

TEST_F(OtherAccount, FontSizeIsRememberedPerDialog)
{
    auto dialog = OpenOther(u"<AtmNode/>");
    EXPECT_EQ(dialog->FirstFontRadio(), 1039);
    EXPECT_TRUE(dialog->Control(1039).checked);
    dialog->ChooseFontSize(1041);
    EXPECT_EQ(dialog->FontSize(), 3);
    EXPECT_EQ(OpenOther(u"<AtmNode/>")->FontSize(), 3);
    EXPECT_EQ(Open<TransComDecisions>(u"<AtmNode/>")->FontSize(), 1);
}

} // namespace
} // namespace velkor
