#include <gtest/gtest.h>

#include <sstream>

#include "agent/dialog_script.h"
#include "agent/script_ui.h"
#include "card/card_test_support.h"
#include "dialogs/font_size_file.h"
#include "dialogs/list_cipher_fixture.h"
#include "pcsc/reader_session.h"
#include "pcsc/simulated_readers.h"
#include "support/scoped_environment.h"

// Dialog scripts: what `velkor call --ui script=FILE` accepts, and the runner driving the
// confirmation dialog in virtual time while the card moves in the simulator's reader.
namespace velkor {
namespace {

TEST(DialogScript, RefusesMalformedScriptsAndReadsEveryAction)
{
    const char* malformed[] = {
        "not json",
        R"([])",
        R"({"dialogs": {}})",
        R"({"dialogs": [{"actions": []}]})",
        R"({"dialogs": [{"expect": "CTryFrim", "actions": []}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": {}}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "action": []}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"click": "1"}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"click": 1, "wait": 1}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"select": [1091, -1]}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"keys": [1001]}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"wait": -1}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"card": "pull"}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"expect": {"x1": "a"}}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"expect": {"1": {"shown": true}}}]}]})",
        R"({"dialogs": [{"expect": "CTryFirm", "actions": [{"press": 1}]}]})",
        R"({"dialogs": [{"expect": "CWebComDlg", "actions": [{"clickRow": -1}]}]})",
    };
    for (const char* text : malformed) {
        std::string error;
        EXPECT_FALSE(ParseDialogScript(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }

    std::string error;
    const auto script = ParseDialogScript(R"({"dialogs": [
        {"expect": "TransCom", "actions": [{"click": 1}, {"select": [1091, 2]},
            {"keys": [1001, "12\b\n"]}, {"paste": [1001, "x"]}, {"type": "甲1"}, {"wait": 0.25},
            {"card": "insert"}, {"expect": {"1030": "t", "1": {"enabled": true, "visible": false}}},
            {"expectMessage": "m"}]},
        {"expect": "FileOpen"}]})",
        error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->dialogs.size(), 2u);
    const auto& actions = script->dialogs[0].actions;
    ASSERT_EQ(actions.size(), 9u);
    EXPECT_EQ(actions[1].index, 2);
    EXPECT_EQ(actions[2].text, u"12\b\n");
    EXPECT_EQ(actions[4].text, u"甲1");
    EXPECT_DOUBLE_EQ(actions[5].seconds, 0.25);
    EXPECT_TRUE(actions[6].insertCard);
    ASSERT_EQ(actions[7].expectations.size(), 2u);
    EXPECT_EQ(actions[7].expectations[0].first, 1);
    EXPECT_EQ(actions[7].expectations[0].second.visible, false);
    EXPECT_FALSE(actions[7].expectations[0].second.text);
    EXPECT_EQ(actions[7].expectations[1].second.text, u"t");
}

// A script the test knows to be well formed.
DialogScript Script(const char* json)
{
    std::string error;
    auto script = ParseDialogScript(json, error);
    EXPECT_TRUE(script) << error;
    return script ? *script : DialogScript {};
}

class ScriptedConfirmation : public ::testing::Test {
protected:
    int Run(ScriptUi& ui)
    {
        ConfirmationRequest request;
        request.kind = 0;
        request.reader = reader_;
        request.probeCard = [this] {
            int32_t slot = 0;
            std::vector<uint8_t> atr;
            return testing::Session().ConnectSlot(reader_, slot, atr);
        };
        return ui.RunConfirmation(request);
    }

    testing::WaitRecorder waits;
    testing::SimulatedReaders sim { testing::Readers(
        testing::FinancialCard(), testing::FinancialCard()) };
    Text reader_ = Utf8ToText(testing::kPlainReader);
    std::ostringstream out;
};

TEST_F(ScriptedConfirmation, PullsAndPutsBackTheCardAndConfirmsOrTimesOut)
{
    ScriptUi ui(Script(R"({"dialogs": [
        {"expect": "CTryFirm", "actions": [
            {"expect": {"1": {"text": "確定", "enabled": false}, "1021": {"visible": false}}},
            {"card": "remove"}, {"wait": 1},
            {"expect": {"1030": "請於 59 秒內，將您的晶片卡置入讀卡機。"}},
            {"card": "insert"}, {"wait": 0.25},
            {"expect": {"1030": "請於 58 秒內，按下本頁『確定』鍵，即可完成交易。", "1": {"enabled": true}}},
            {"click": 1}]},
        {"expect": "CTryFirm", "actions": [{"wait": 60}, {"expectMessage": "超過允許插拔時間,取消交易"}]}
    ]})"),
        &out);
    EXPECT_EQ(Run(ui), 1);
    EXPECT_EQ(Run(ui), 2);
    EXPECT_EQ(ui.Problems(), 0) << out.str();
    EXPECT_EQ(out.str(), "[霖州銀行] 超過允許插拔時間,取消交易\n");
}

TEST_F(ScriptedConfirmation, ReportsEachProblemAndCancelsWhatItCannotRun)
{
    ScriptUi ui(Script(R"({"dialogs": [
        {"expect": "CTransSet", "actions": [{"click": 1}]},
        {"expect": "CTryFirm", "actions": [
            {"click": 1},
            {"expect": {"1030": "請於 59 秒內", "9999": ""}},
            {"expectMessage": "超過允許交易時間，取消交易。"},
            {"card": "insert"}]},
        {"expect": "CTryFirm", "actions": [{"click": 2}, {"wait": 1}, {"expectMessage": "x"}]}
    ]})"),
        &out);
    EXPECT_EQ(Run(ui), 2); // another class expected
    EXPECT_EQ(Run(ui), 2); // left open
    EXPECT_EQ(Run(ui), 2); // cancelled by its script
    EXPECT_EQ(Run(ui), 2); // no entry left
    const std::string report = out.str();
    for (const char* expected : { "dialog 1 (CTryFirm): the script expects CTransSet; cancelled",
             "dialog 2 (CTryFirm): action 1 {\"click\":1}: control 1 is disabled",
             "action 2 {\"expect\":{\"1030\":\"請於 59 秒內\",\"9999\":\"\"}}: control 1030 shows",
             "the dialog has no control 9999",
             "action 3 {\"expectMessage\":\"超過允許交易時間，取消交易。\"}: no such message",
             "action 4 {\"card\":\"insert\"}: the reader already holds a card",
             "dialog 2 (CTryFirm): still open when its actions ended; cancelled",
             "dialog 3 (CTryFirm): action 2 {\"wait\":1}: the dialog has closed",
             "dialog 3 (CTryFirm): action 3 {\"expectMessage\":\"x\"}: no such message",
             "dialog 4 (CTryFirm): opened with no entry left in the script; cancelled" }) {
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    }
    EXPECT_EQ(ui.Problems(), 10);
}

// The net-bank selection dialogs and the open-file dialog through scripts: every control the
// customer uses, in virtual time, with the font sizes kept in a folder of the test's own.
class ScriptedNetSelection : public ::testing::Test {
protected:
    int Run(ScriptUi& ui, NetSelectionDialog dialog, const Text& document)
    {
        request_ = {};
        request_.dialog = dialog;
        request_.document = document;
        request_.keys = { cipher_.KeyHash(), cipher_.EncryptedKey() };
        return ui.RunNetSelection(request_);
    }

    testing::ScopedHome home_;
    testing::ListCipherFixture cipher_;
    NetSelectionRequest request_;
    std::ostringstream out;
};

TEST_F(ScriptedNetSelection, ListsFilterKeypadAndEditDriveEachDialog)
{
    const Text common = u"<Title>銀行</Title><Title>帳號</Title><AtmNode Type=\"1\" Name=\"甲\">"
                        u"(1)王%%004||111||王;;(2)Bob%%812||222||Bob</AtmNode>";
    ScriptUi ui(Script(R"({"dialogs": [
        {"expect": "TransDeal", "actions": [{"select": [1091, 1]}, {"select": [1091, 5]},
            {"expect": {"1091": "乙"}}, {"click": 1039}, {"click": 1}]},
        {"expect": "TransCom", "actions": [
            {"keys": [1001, "\bbo\n"]}, {"click": 1042},
            {"expect": {"1092": "(2)Bob", "1002": "812", "1003": "222", "1001": "bo"}},
            {"paste": [1001, "x"]}, {"click": 1042}, {"expectMessage": "請選擇正確帳號"},
            {"select": [1091, 0]}, {"expect": {"1092": ""}}, {"click": 1},
            {"expectMessage": "請選擇正確帳號"}, {"keys": [1001, "\b\b\b*"]}, {"click": 1042},
            {"select": [1092, 1]}, {"click": 1}]},
        {"expect": "TransOth", "actions": [
            {"keys": [1001, "1"]}, {"type": "12345"}, {"click": 1052},
            {"expect": {"1014": "1234", "1001": {"visible": false}}}, {"click": 1},
            {"expectMessage": "請確認輸入帳號長度"}, {"click": 1038},
            {"keys": [1001, "12a345\b"]}, {"paste": [1001, "9x"]}, {"expectMessage": "必須為數字"},
            {"paste": [1001, "6789"]}, {"expect": {"1001": "12346789", "1042": {"visible": false}}},
            {"click": 1081}, {"click": 1}]},
        {"expect": "TransOth", "actions": [{"wait": 180}, {"expectMessage": "交易時間逾時，請重新執行交易 !"}]}
    ]})"),
        &out);
    EXPECT_EQ(Run(ui, NetSelectionDialog::TransDeal, u"<AtmNode>甲%%1||2;;乙%%3||4</AtmNode>"), 1);
    EXPECT_EQ(request_.result, u"0||3||4||");
    EXPECT_EQ(FontSizeFile::ForCurrentUser().InitialChoice(kSlotTransDeal), kFontSmall);
    EXPECT_EQ(Run(ui, NetSelectionDialog::TransCom, common), 1);
    EXPECT_EQ(request_.result, u"1||812||222||Bob||");
    const Text other = u"<KeyType>3</KeyType><AtmNode min=\"8\" Default=\"10\"/>";
    EXPECT_EQ(Run(ui, NetSelectionDialog::TransOth, other), 1);
    EXPECT_EQ(request_.result, u"3||000||12346789||");
    EXPECT_FALSE(request_.encipheredResult.empty());
    EXPECT_EQ(Run(ui, NetSelectionDialog::TransOth, other), 2);
    const std::string report = out.str();
    for (const char* expected :
        { "dialog 1 (TransDeal): action 2 {\"select\":[1091,5]}: list 1091 has no entry 5",
            "dialog 3 (TransOth): action 1 {\"keys\":[1001,\"1\"]}: control 1001 is hidden" }) {
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    }
    EXPECT_EQ(ui.Problems(), 2) << report;
}

TEST_F(ScriptedNetSelection, FileOpenChoosesAnyPathOrCancels)
{
    ScriptUi ui(Script(R"({"dialogs": [
        {"expect": "FileOpen", "actions": [{"file": "/no/such/文件.bin"}]},
        {"expect": "FileOpen", "actions": [{"click": 1}, {"click": 2}]},
        {"expect": "FileOpen", "actions": [{"type": "x"}]}
    ]})"),
        &out);
    EXPECT_EQ(ui.ChooseFileToOpen(), Text(u"/no/such/文件.bin"));
    EXPECT_EQ(ui.ChooseFileToOpen(), std::nullopt);
    EXPECT_EQ(ui.ChooseFileToOpen(), std::nullopt);
    EXPECT_EQ(ui.Problems(), 3) << out.str(); // OK without a file, type, left open
    std::string error;
    EXPECT_FALSE(ParseDialogScript(
        R"({"dialogs": [{"expect": "FileOpen", "actions": [{"file": 1}]}]})", error));
}

// The common-account forms driven by scripts: rows chosen by mouse, keypad, keyboard, pastes and
// the case key; the web form's PIN goes to the request's verifier.
class ScriptedCommonAccountForm : public ::testing::Test {
protected:
    int Run(ScriptUi& ui, CommonAccountFormKind kind, const char16_t* rows)
    {
        document_ = rows;
        request_ = {};
        request_.form = kind;
        request_.document = document_;
        request_.verifyPin = [this](const SecureBytes& pin) {
            pin_.assign(pin.data(), pin.data() + pin.size());
            return status_;
        };
        return ui.RunCommonAccountForm(request_);
    }

    Text document_;
    CommonAccountRequest request_;
    std::string pin_;
    int32_t status_ = 0x9000;
    std::ostringstream out;
};

TEST_F(ScriptedCommonAccountForm, FillsBothFormsAndChecksTheWebFormsPin)
{
    ScriptUi ui(Script(R"({"dialogs": [
        {"expect": "CWebComDlg", "actions": [
            {"expect": {"1": {"enabled": false}, "1080": {"visible": false}, "1091": "甲銀行"}},
            {"select": [1091, 1]}, {"clickRow": 1}, {"type": "12345"},
            {"expect": {"1015": "12345", "1032": "請使用圖形鍵盤輸入"}},
            {"keys": [1003, "ab||c\n"]}, {"expect": {"1003": "ab|c"}},
            {"clickRow": 3}, {"type": "9999"}, {"expect": {"1019": "****", "1": {"enabled": true}}},
            {"click": 1}, {"expectMessage": "加密資料錯誤"}]},
        {"expect": "CWebComNetDlg", "actions": [
            {"type": "A"}, {"click": 1080}, {"type": "b"}, {"expect": {"1013": "**"}},
            {"paste": [1002, "12x"]}, {"expectMessage": "必須為數字"},
            {"keys": [1002, "12"]}, {"click": 1}]},
        {"expect": "CWebComDlg", "actions": [{"clickRow": 1}, {"type": "1234"}, {"clickRow": 3}, {"type": "1111"},
            {"click": 1}]}
    ]})"),
        &out);
    const char16_t* web = u"<AtmNode Name=\"銀行\">甲銀行%%004;;乙銀行%%012;;</AtmNode>"
                          u"<AtmNode Type=\"3\" min=\"4\" Default=\"8\"></AtmNode>"
                          u"<AtmNode Type=\"4\" KeyType=\"2\" Default=\"8\"></AtmNode>"
                          u"<AtmNode Type=\"6\" min=\"4\" Default=\"6\"></AtmNode>";
    EXPECT_EQ(Run(ui, CommonAccountFormKind::WebAtm, web), 1);
    EXPECT_EQ(request_.plainOutput, u"012||12345||ab|c||9999||");
    EXPECT_EQ(pin_, "9999");
    EXPECT_TRUE(request_.protectedOutput.empty()); // no session key

    EXPECT_EQ(Run(ui, CommonAccountFormKind::NetBank,
                  u"<AtmNode Type=\"7\" KeyType=\"7\" Default=\"8\"></AtmNode>"
                  u"<AtmNode Type=\"3\" KeyType=\"2\" Default=\"8\"></AtmNode>"),
        1);
    EXPECT_EQ(request_.plainOutput, u"Ab;;12||");

    status_ = 0x63C2;
    EXPECT_EQ(Run(ui, CommonAccountFormKind::WebAtm, web), 105);
    EXPECT_EQ(ui.Problems(), 0) << out.str();
}

} // namespace
} // namespace velkor
