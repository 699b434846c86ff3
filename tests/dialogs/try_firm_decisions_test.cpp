#include <gtest/gtest.h>

#include "crypto/data_process.h"
#include "dialogs/confirmation_checks.h"
#include "dialogs/confirmation_transfer.h"
#include "dialogs/try_firm_decisions.h"
#include "dialogs/virtual_dialog_timers.h"
#include "list_cipher_fixture.h"
#include "recording_message_sink.h"

// The confirmation dialog's decisions on a virtual clock, with a card that the test pulls and
// puts back.
namespace velkor {
namespace {

using namespace try_firm;
using confirmation::CheckAndFormatAmount;

constexpr int32_t kNoCard = static_cast<int32_t>(0x8010000CU);
constexpr int32_t kReaderGone = static_cast<int32_t>(0x80100009U); // unknown reader: neither

TEST(ConfirmationAmountCheck, AcceptsTheAmountInItsFormsAndGroupsTheDigits)
{
    struct Case {
        const char16_t* amount;
        const char16_t* shown;
        const char16_t* after; // nullptr: the check fails
    };
    const Case cases[] = {
        { u"000000000123456", u"金額：1234.56元", u"金額：1,234.56元" },
        { u"000000123456700", u"1234567.00", u"1,234,567.00" },
        { u"000000000012300", u" 123 元", u" 123 元" }, { u"000000000012300", u"123.0", u"123.0" },
        { u"000000000012300", u"NT$123.00.", u"NT$123.00." },
        { u"000000000000000", u"0.00", u"0.00" }, { u"000000000000005", u"共 0.05", u"共 0.05" },
        { u"000000000000000", u"0", nullptr }, // zero needs 0.00
        { u"000000000012300", u"1234.00", nullptr }, // only a prefix of the number
        { u"000000000012345", u"123", nullptr },
        { u"000000000123456", u"1,234.56", nullptr }, // separators already in place
        { u"000000000123456", u"１２３４.５６", nullptr }, // full-width digits
        { u"000000000123456", u"金額：元", nullptr }, // no digit at all
        { u"12a", u"12a", nullptr }, // the card's amount is not digits
    };
    for (const Case& c : cases) {
        Text shown = c.shown;
        EXPECT_EQ(CheckAndFormatAmount(std::u16string_view(c.amount), shown), c.after != nullptr)
            << TextToUtf8(c.amount) << " / " << TextToUtf8(c.shown);
        if (c.after != nullptr) {
            EXPECT_EQ(shown, Text(c.after));
        }
    }
    Text shown = u"1.00";
    EXPECT_FALSE(CheckAndFormatAmount(std::nullopt, shown));
}

TEST(ConfirmationTransferCode, FollowsTheTableForEachMode)
{
    const auto fields = [](const Text& bank) {
        return confirmation::ReadTransferFields(Text(u"0000001234567890") + u"0" + bank);
    };
    const auto other = fields(u"乙銀行%%812$$me@bank.test");
    EXPECT_EQ(other.bankText, u"乙銀行");
    EXPECT_EQ(other.bankCode, u"812");
    EXPECT_EQ(other.email, u"me@bank.test");
    EXPECT_EQ(fields(u"乙銀行%%812").email, u" ");
    struct Case {
        std::optional<Text> tag5;
        Text bank;
        const char16_t* codes[3]; // modes 0, 1, 2
    };
    const Case cases[] = {
        { u"霖州銀行 812-0001", u"乙銀行%%812", { u"2523", u"2563", u"2523" } },
        { u"999 本行", u"乙銀行%%812", { u"2521", u"2561", u"2561" } },
        { u"甲銀行 004", u"999本行%%999", { u"2522", u"2562", u"2562" } },
        { u"甲銀行 004", u"乙銀行%%812", { u"2524", u"2564", u"2564" } },
        { std::nullopt, u"乙銀行%%812", { u"2524", u"2564", u"2564" } },
        { u"甲銀行", u"無代碼", { u"2524", u"2564", u"2564" } }, // no code never matches
    };
    for (const Case& c : cases) {
        int mode = 0;
        for (const char16_t m : { u'0', u'1', u'2' }) {
            EXPECT_EQ(confirmation::TransferCode(c.tag5, fields(c.bank), m), c.codes[mode++])
                << TextToUtf8(c.bank) << " mode " << static_cast<char>(m);
        }
    }
    EXPECT_EQ(confirmation::TransferCode(u"x", fields(u"乙銀行%%812"), u'7'), u"2524");

    Text second = u"812||0001234567890||0||2523";
    EXPECT_TRUE(confirmation::PlaceTransferCode(second, u"2564"));
    EXPECT_EQ(second, u"812||0001234567890||0||2564||");
    Text short_ = u"812||0001||0||25";
    EXPECT_FALSE(confirmation::PlaceTransferCode(short_, u"2564"));
    EXPECT_EQ(short_, u"812||0001||0||25");
}

class TryFirm : public ::testing::Test {
protected:
    void Open(int kind, Text document, std::optional<Text> amount = std::nullopt,
        std::optional<Text> account = std::nullopt, std::optional<Text> transferee = std::nullopt)
    {
        document_ = std::move(document);
        amount_ = std::move(amount);
        account_ = std::move(account);
        transferee_ = std::move(transferee);
        TransferConfirmation* transfer = request_.transfer;
        request_ = ConfirmationRequest {};
        request_.transfer = transfer;
        timers_ = VirtualDialogTimers {};
        request_.document = document_;
        request_.kind = kind;
        if (amount_) {
            request_.amount = *amount_;
        }
        if (account_) {
            request_.account = *account_;
        }
        if (transferee_) {
            request_.transferee = *transferee_;
        }
        request_.probeCard = [this] { return card; };
        dialog_ = std::make_unique<TryFirmDecisions>(request_, timers_, messages_);
        timers_.SetHandler([this](int id) { dialog_->Tick(id); });
        started = dialog_->Start();
    }
    void Wait(double seconds) { timers_.Advance(static_cast<int64_t>(seconds * 1000)); }
    // The card leaves the reader for one check of the removal timer and comes back for the next.
    void PullAndPutBack()
    {
        card = kNoCard;
        Wait(0.25);
        card = 0;
        Wait(0.25);
    }
    const Text& Instruction() { return dialog_->Control(kInstruction).text; }

    int32_t card = 0;
    std::optional<int> started;
    Text document_;
    std::optional<Text> amount_, account_, transferee_;
    ConfirmationRequest request_;
    VirtualDialogTimers timers_;
    testing::RecordingMessageSink messages_;
    std::unique_ptr<TryFirmDecisions> dialog_;
};

TEST_F(TryFirm, EndsWith101Or102ByTheOrderOfTheChecksOfItsType)
{
    const Text amount = u"000000000123456";
    struct Case {
        int kind;
        Text document;
        std::optional<int> result;
    };
    const Case cases[] = {
        { 1, u"<Tag11>帳號 822-0012345</Tag11><Tag13>1234.56</Tag13>", std::nullopt },
        { 1, u"<Tag11>帳號 822-0099999</Tag11><Tag13>1234.56</Tag13>", 101 },
        { 1, u"<Tag11>帳號 822-0012345</Tag11><Tag13>1234.50</Tag13>", 102 },
        { 2, u"<Tag7>822-0012345</Tag7><Tag9>1234.56</Tag9>", std::nullopt },
        { 2, u"<Tag7>822-0012345</Tag7><Tag13>1234.56</Tag13>", 102 },
        { 3, u"<Tag7>822-0012345</Tag7><Tag11>TAX</Tag11><Tag13>1234.56</Tag13>", 102 },
        { 3, u"<Tag7>822-0012345</Tag7><Tag11>REF-9</Tag11><Tag13>1234.56</Tag13>", std::nullopt },
        { 4, u"<Tag7>0012345</Tag7><Tag13>1234.56</Tag13>", 101 }, // B only a prefix in view
        { 9, u"<Tag7>822-0012345</Tag7><Tag13>1234.56</Tag13>", std::nullopt },
        { 0, u"", std::nullopt },
        { 25, u"<Tag7>nothing to check</Tag7>", std::nullopt },
    };
    for (const Case& c : cases) {
        Open(c.kind, c.document, amount, Text(u"822-0012345"), Text(u"REF-9"));
        EXPECT_EQ(started, c.result) << "type " << c.kind << " " << TextToUtf8(c.document);
        EXPECT_EQ(dialog_->Result(), c.result);
        EXPECT_EQ(timers_.IsRunning(kRemovalTimerId), !c.result.has_value());
    }
    Open(1, u"<Tag11>822-0012345</Tag11><Tag13>1234.56</Tag13>", amount, std::nullopt);
    EXPECT_EQ(started, 101) << "a missing account must not pass its check";
    EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(TryFirm, ShowsTheSlotsAndLaysOutTheRowsOfItsType)
{
    Open(1,
        u"<Tag1>" + Text(400, u'題')
            + u"</Tag1><Tag4>委託</Tag4><Tag11>822-0012345</Tag11>"
              u"<Tag13>金額 1234.56</Tag13>",
        Text(u"123456"), Text(u"822-0012345"));
    ASSERT_FALSE(started);
    EXPECT_EQ(dialog_->Control(kTitle).text, Text(279, u'題'));
    EXPECT_EQ(dialog_->Control(1014).text, u"委託");
    EXPECT_EQ(dialog_->Control(1023).text, u"金額 1,234.56");
    EXPECT_EQ(dialog_->AccountDisplayMode(), 6);
    EXPECT_EQ(dialog_->AccountDisplayCharacters(), u"822-0012345");
    EXPECT_FALSE(dialog_->OkEnabled());
    EXPECT_EQ(Instruction(), u"請於 60 秒內，將您的晶片卡抽出後，再重新置入讀卡機。");
}

TEST_F(TryFirm, ACardNeverPulledCountsDownFrom59ToTheTimeOut)
{
    Open(0, u"");
    Wait(59.9);
    EXPECT_EQ(Instruction(), u"請於 1 秒內，將您的晶片卡抽出後，再重新置入讀卡機。");
    EXPECT_FALSE(dialog_->Result());
    Wait(0.1);
    EXPECT_EQ(Instruction(), u"請於 0 秒內，將您的晶片卡抽出後，再重新置入讀卡機。");
    EXPECT_EQ(dialog_->Result(), kCancelled);
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_EQ(messages_.texts[0], u"超過允許插拔時間,取消交易");
    EXPECT_EQ(messages_.captions[0], u"霖州銀行");
    EXPECT_FALSE(timers_.IsRunning(kRemovalTimerId));
}

TEST_F(TryFirm, ACardPutBackWith10SecondsLeftLeavesThemForOk)
{
    Open(4, u"<Tag7>822-1</Tag7><Tag13>1.00</Tag13>", Text(u"100"), Text(u"822-1"));
    Wait(49);
    card = kNoCard;
    Wait(0.75);
    EXPECT_EQ(dialog_->SecondsLeft(), 10);
    EXPECT_FALSE(dialog_->OkEnabled());
    card = 0;
    Wait(0.25); // back on a once-a-second tick: the removal text must not take its place
    EXPECT_EQ(Instruction(), u"請於 10 秒內，按下本頁『確定』鍵，即可完成交易。");
    EXPECT_EQ(dialog_->SecondsLeft(), 10);
    EXPECT_TRUE(dialog_->OkEnabled());
    EXPECT_TRUE(timers_.IsRunning(kConfirmTimerId));
    EXPECT_FALSE(timers_.IsRunning(kRemovalTimerId));
    Wait(10.9);
    EXPECT_EQ(Instruction(), u"請於 1 秒內，按下本頁『確定』鍵，即可完成交易。");
    EXPECT_FALSE(dialog_->Result());
    Wait(0.1);
    EXPECT_EQ(dialog_->Result(), kCancelled);
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_EQ(messages_.texts[0], u"超過允許交易時間，取消交易。");
}

TEST_F(TryFirm, ACardPulledAgainDisablesOkUntilItIsBack)
{
    Open(6, u"<Tag11>A</Tag11><Tag13>1.00</Tag13>", Text(u"100"), Text(u"A"));
    card = kNoCard;
    Wait(2);
    EXPECT_EQ(Instruction(), u"請於 58 秒內，將您的晶片卡置入讀卡機。");
    card = 0;
    Wait(0.25);
    EXPECT_EQ(Instruction(), u"請於 57 秒內，按本頁『確定』鍵後，依讀卡機上顯示指示繼續操作．．．")
        << "type 6 goes on on the reader's pad";
    card = kNoCard;
    Wait(1);
    EXPECT_FALSE(dialog_->OkEnabled());
    EXPECT_EQ(Instruction(), u"請於 57 秒內，將您的晶片卡置入讀卡機。");
    dialog_->Ok();
    dialog_->Enter();
    EXPECT_FALSE(dialog_->Result()) << "OK while disabled, or Enter, must not confirm";
    card = 0;
    Wait(0.25);
    ASSERT_TRUE(dialog_->OkEnabled());
    dialog_->Ok();
    EXPECT_EQ(dialog_->Result(), kConfirmed);
    EXPECT_FALSE(timers_.IsRunning(kConfirmTimerId));
}

TEST_F(TryFirm, AReaderThatVanishesIsNeitherPulledNorPresent)
{
    Open(0, u"");
    card = kReaderGone;
    Wait(5);
    EXPECT_EQ(Instruction(), u"請於 55 秒內，將您的晶片卡置入讀卡機。");
    card = 0;
    Wait(0.25);
    EXPECT_FALSE(dialog_->OkEnabled()) << "a vanished reader is no proof that the card left";
    PullAndPutBack();
    EXPECT_TRUE(dialog_->OkEnabled());
    dialog_->Cancel();
    EXPECT_EQ(dialog_->Result(), kCancelled);
}

class TryFirmTransfer : public TryFirm {
protected:
    struct SessionKeyTexts {
        Text hash;
        Text key;
    };
    void OpenTransfer(const SessionKeyTexts& keys, char16_t mode)
    {
        transfer.sessionKeyHash = keys.hash;
        transfer.encipheredSessionKey = keys.key;
        transfer.encipheredFirstResult = cipher.Encipher(kFirst);
        transfer.encipheredSecondResult = cipher.Encipher(u"812||0001234567890||0||2523||");
        transfer.mode = mode;
        request_.transfer = &transfer;
        Open(23,
            u"<Tag5>甲銀行 004</Tag5><Tag7>822-1</Tag7><Tag11>不顯示</Tag11><Tag13>12.00</Tag13>"
            u"<Tag16>email通知</Tag16>",
            Text(u"1200"), Text(u"822-1"), Text(kFirst));
    }
    static constexpr const char16_t* kFirst = u"00012345678901230乙銀行%%812$$me@bank.test";
    testing::ListCipherFixture cipher;
    TransferConfirmation transfer;
};

TEST_F(TryFirmTransfer, ShowsTheTransfereeAndHandsBackTheCodedResultEnciphered)
{
    OpenTransfer({ cipher.KeyHash(), cipher.EncryptedKey() }, u'1');
    ASSERT_FALSE(started);
    EXPECT_TRUE(messages_.texts.empty());
    EXPECT_EQ(dialog_->Control(1019).text, u"乙銀行");
    EXPECT_EQ(dialog_->Control(kEmailField).text, u"me@bank.test");
    EXPECT_NE(dialog_->Control(kProtectedAccount).text, u"0001234567890123");
    EXPECT_EQ(dialog_->AccountDisplayCharacters(), u"0001234567890123");
    PullAndPutBack();
    dialog_->Ok();
    ASSERT_EQ(dialog_->Result(), kConfirmed);
    EXPECT_EQ(transfer.status, 0);
    EXPECT_EQ(transfer.transferCode, u"2564");
    EXPECT_EQ(transfer.secondResult, u"812||0001234567890||0||2564||");
    EXPECT_EQ(transfer.encipheredSecondResultOut, cipher.Encipher(transfer.secondResult));
}

TEST_F(TryFirmTransfer, WrongSessionKeyTextsReportTheCipherError)
{
    OpenTransfer({ cipher.KeyHash(), u"00" + cipher.EncryptedKey().substr(2) }, u'0');
    ASSERT_FALSE(started);
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_EQ(messages_.texts[0], u"加密資料錯誤");
    EXPECT_EQ(messages_.captions[0], u"霖州商業銀行 WEB ATM");
    EXPECT_EQ(dialog_->AccountDisplayCharacters(), u"");
    PullAndPutBack();
    dialog_->Ok();
    EXPECT_EQ(dialog_->Result(), kConfirmed);
    EXPECT_EQ(transfer.status, -1);
    EXPECT_EQ(messages_.texts.size(), 2u);
    EXPECT_TRUE(transfer.encipheredSecondResultOut.empty());
}

} // namespace
} // namespace velkor
