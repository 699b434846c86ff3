#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "control/velkor_ctrl.h"
#include "demo_bank.h"
#include "demo_bank_session.h"
#include "demo_keys.h"
#include "support/transfer_dialogs_ui.h"

// The demo bank's common-account endpoints with the real control's session cipher.
namespace velkor {
namespace {

using nlohmann::json;
using testing::T;

class DemoBankCommonAccount : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        bank = std::make_unique<host::DemoBank>(*testing::DemoHostKeys(), host::CardKeyTable(), 1);
        session = testing::SignIn(*bank, control, false);
    }
    void IssueKey() { session.IssueKey(*bank); }
    host::DemoBankReply Describe(const std::string& form)
    {
        return bank->CommonAccountDocument(
            json { { "session", session.id }, { "form", form }, { "keypad", "fixed" } }.dump());
    }
    // What the form hands back for `plain`: its UTF-16LE bytes enciphered, in hexadecimal.
    std::string FormOutput(const Text& plain)
    {
        return TextToUtf8(testing::UnderSession(0, session.hash, session.key, plain));
    }
    json Open(const std::string& form, const std::string& enciphered)
    {
        const host::DemoBankReply reply = bank->OpenCommonAccount(json { { "session", session.id },
            { "form", form }, { "encCommAcc", enciphered } }.dump());
        EXPECT_EQ(reply.httpStatus, 200) << reply.json;
        return json::parse(reply.json);
    }

    CVelkorCtrl control;
    std::unique_ptr<host::DemoBank> bank;
    testing::BankSession session;
};

TEST_F(DemoBankCommonAccount, TheBankListTravelsEncipheredAndTheAccountComesBackToTheBank)
{
    EXPECT_EQ(Describe("web").httpStatus, 409) << "no session key yet";
    IssueKey();
    const host::DemoBankReply web = Describe("web");
    ASSERT_EQ(web.httpStatus, 200) << web.json;
    const Text document = Utf8ToText(json::parse(web.json)["document"].get<std::string>());
    EXPECT_NE(document.find(u"<KeyOrder>1</KeyOrder>"), Text::npos);
    EXPECT_NE(document.find(u"晶片卡密碼"), Text::npos) << "the web ATM form has the PIN row";
    const std::string net = json::parse(Describe("net").json)["document"];
    EXPECT_EQ(net.find("晶片卡密碼"), std::string::npos);

    const json opened = Open("web", FormOutput(u"005||0012345678901||房租||"));
    EXPECT_EQ(opened["opened"], true) << opened.dump();
    EXPECT_EQ(opened["bankName"], "土地銀行");
    EXPECT_EQ(opened["account"], "0012345678901");
    EXPECT_EQ(opened["nickname"], "房租");

    EXPECT_EQ(Open("net", FormOutput(u"999||0012345678901||||"))["opened"], false);
    EXPECT_EQ(Open("net", FormOutput(u"822||12A45678901||||"))["opened"], false);
    const std::string earlier = FormOutput(u"822||0012345678901||||");
    IssueKey();
    EXPECT_EQ(Open("net", earlier)["opened"], false) << "under an earlier session key";
}

} // namespace
} // namespace velkor
