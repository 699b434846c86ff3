#include <gtest/gtest.h>

#include <sstream>

#include "agent/dialog_script.h"
#include "agent/script_ui.h"
#include "dialogs/list_cipher_fixture.h"

// The transfer-account dialogs driven by `velkor call --ui script=FILE`: lists, radio buttons,
// the check box, keypad keys in their shuffled order, typing and pasting through the key filters,
// and the results the procedure receives after OK.
namespace velkor {
namespace {

const Text kLists
    = u"<AtmNode Name=\"約定\">甲帳戶%%004||12345678901234;;</AtmNode>"
      u"<AtmNode Name=\"常用\">媽媽%%700||0001111$$mom@mail.test;;同事%%812||22;;</AtmNode>"
      u"<AtmNode>乙銀行%%812;;丙銀行%%007;;</AtmNode>";

class TransSetScript : public ::testing::Test {
protected:
    int Run(const char* json, const Text& document,
        TransferAccountDialog dialog = TransferAccountDialog::WebAtm)
    {
        std::string error;
        auto script = ParseDialogScript(json, error);
        EXPECT_TRUE(script) << error;
        ScriptUi ui(script ? *script : DialogScript {}, &out);
        request = TransferAccountRequest {};
        request.dialog = dialog;
        request.document = document;
        request.keys = { cipher.KeyHash(), cipher.EncryptedKey() };
        const int result = ui.RunTransferAccount(request);
        problems = ui.Problems();
        return result;
    }

    testing::ListCipherFixture cipher;
    TransferAccountRequest request;
    std::ostringstream out;
    int problems = 0;
};

TEST_F(TransSetScript, ChoosesTypesOnTheShuffledKeypadAndConfirms)
{
    const Text document = u"<KeyType>3</KeyType>" + kLists;
    EXPECT_EQ(Run(R"({"dialogs": [{"expect": "CTransSet", "actions": [
        {"expect": {"1093": "甲帳戶", "1037": {"enabled": true}, "1081": {"enabled": false},
                    "1040": {"visible": true, "enabled": false}, "1001": {"visible": false}}},
        {"select": [1091, 0]}, {"expect": {"1038": {"enabled": true}, "1002": "mom@mail.test"}},
        {"select": [1091, 1]}, {"expect": {"1002": ""}},
        {"type": "12345678"}, {"click": 1052}, {"expect": {"1015": "1234567", "1081": {"enabled": true}}},
        {"click": 1081}, {"select": [1092, 1]},
        {"keys": [1002, "a@b.test;;c@d.test"]}, {"paste": [1002, "x y"]},
        {"expectMessage": "必須為EMAIL合法字元"}, {"expect": {"1002": "a@b.test;c@d.test"}},
        {"click": 1}]}]})",
                  document),
        1);
    EXPECT_EQ(problems, 0) << out.str();
    EXPECT_EQ(request.firstResult,
        u"0000000001234567"
        u"3"
        u"丙銀行%%007$$a@b.test;c@d.test");
    EXPECT_EQ(request.secondResult, u"007||1234567||3||2523||a@b.test;c@d.test||");
    Text plain;
    ASSERT_EQ(cipher.Decipher()(request.encipheredFirstResult, plain), 0);
    EXPECT_EQ(plain, request.firstResult);
}

TEST_F(TransSetScript, TypesAndPastesDigitsOnlyInTheGeneralKeyboard)
{
    const Text document = u"<KeyType>5</KeyType>" + kLists;
    EXPECT_EQ(Run(R"({"dialogs": [{"expect": "CTransSet", "actions": [
        {"expect": {"1042": {"visible": false}, "1001": {"visible": true}}},
        {"keys": [1001, "12a3\b4\n"]}, {"expect": {"1001": "124", "1039": {"enabled": true}}},
        {"paste": [1001, "12a"]}, {"expectMessage": "必須為數字"},
        {"paste": [1001, "5678901234567"]}, {"expect": {"1001": "1245678901234567"}},
        {"click": 1040}, {"expect": {"1001": {"visible": false}, "1015": ""}},
        {"click": 1041}, {"expect": {"1001": ""}}, {"click": 1},
        {"expectMessage": "請確認輸入帳號"}, {"click": 2}]}]})",
                  document),
        2);
    EXPECT_EQ(problems, 0) << out.str();
    EXPECT_TRUE(request.firstResult.empty());
}

TEST_F(TransSetScript, NetBankGroupsAndTheProblemsItReports)
{
    const Text document
        = u"<KeyType>1</KeyType><TimeOut>30</TimeOut>"
          u"<AtmNode Type=\"1\" Name=\"家人\">媽媽%%700||0001111$$mom@mail.test;;</AtmNode>"
          u"<AtmNode Type=\"1\" Name=\"同事\">阿明%%812||22;;阿華%%812||33;;</AtmNode>"
          u"<AtmNode Type=\"2\">乙銀行%%812;;</AtmNode>";
    EXPECT_EQ(Run(R"({"dialogs": [{"expect": "CTransSetNet", "actions": [
        {"expect": {"1094": "群組-全部", "1091": "媽媽", "1037": {"enabled": false}}},
        {"select": [1094, 2]}, {"expect": {"1091": "阿明"}}, {"select": [1091, 1]},
        {"select": [1091, 2]}, {"keys": [1042, "1"]}, {"click": 1014}, {"type": "x"},
        {"click": 1}]}]})",
                  document, TransferAccountDialog::NetBank),
        1);
    EXPECT_EQ(request.secondResult, u"812||33||1||");
    const std::string report = out.str();
    for (const char* expected :
        { "{\"select\":[1091,2]}: list 1091 has 2 entries", "control 1042 is not an edit",
            "control 1014 is not a button", "no key of the keypad shows \"x\"" }) {
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    }
    EXPECT_EQ(problems, 4);

    EXPECT_EQ(Run(R"({"dialogs": [{"expect": "CTransSetNet", "actions": [
        {"wait": 30}, {"expectMessage": "交易時間逾時，請重新執行交易 !"}]}]})",
                  document, TransferAccountDialog::NetBank),
        2);
    EXPECT_EQ(problems, 0) << out.str();
}

} // namespace
} // namespace velkor
