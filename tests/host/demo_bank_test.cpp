#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "agent/dialog_script.h"
#include "agent/script_ui.h"
#include "card/card_test_support.h"
#include "control/velkor_ctrl.h"
#include "demo_bank.h"
#include "demo_bank_session.h"
#include "demo_keys.h"
#include "pcsc/simulated_readers.h"
#include "support/transfer_dialogs_ui.h"

// The demo bank's sign-in, session-key and TAC endpoints against the real control.
namespace velkor {
namespace {

using nlohmann::json;
using testing::T;

const Text kPadReader = u"ACS ACR83U 00 00";
const Text kPlainReader = u"Generic Reader 01";
constexpr char kOtherKey[] = "0123456789ABCDEFFEDCBA9876543210";

// Two virtual cards with different TAC keys; the bank knows both from the same description.
json TwoCards()
{
    return testing::Readers(testing::FinancialCard(),
        testing::FinancialCard({ { "tacKey", kOtherKey },
            { "accounts", { "9990001112223334", "0000000000000000" } } }));
}

class DemoBankTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        host::CardKeyTable cards;
        std::string error;
        ASSERT_TRUE(cards.Load(TwoCards().dump(), error)) << error;
        bank = std::make_unique<host::DemoBank>(*testing::DemoHostKeys(), std::move(cards), 8931);
    }

    static json Body(const host::DemoBankReply& reply) { return json::parse(reply.json); }

    json Challenge(CVelkorCtrl& control) { return testing::AnswerChallenge(*bank, control); }

    std::unique_ptr<host::DemoBank> bank;
};

TEST_F(DemoBankTest, AcceptedAnswerGivesASessionKeyTheControlOpensAndTheChallengeIsSpent)
{
    CVelkorCtrl control;
    const json answer = Challenge(control);
    const host::DemoBankReply finished = bank->FinishAuthentication(answer.dump());
    ASSERT_EQ(finished.httpStatus, 200) << finished.json;
    EXPECT_EQ(Body(finished)["authenticated"], true);
    EXPECT_EQ(Body(finished)["sessionKeyHash"], TextToUtf8(control.GetSessionKeyHash()));

    const json session = { { "session", answer["session"] } };
    const json pair = Body(bank->IssueSessionKey(session.dump()));
    const Text key = T(pair["pCpukEncSessionKey"]);
    const Text hash = T(pair["pSessionKeyHash"]);
    EXPECT_EQ(control.VerifySessionKeyHash(key, hash), 0);
    ASSERT_EQ(control.DESDecipher(hash, key, pair["greetingLength"], T(pair["greeting"])), 0);
    const std::string_view greeting = host::DemoBank::kSessionGreeting;
    EXPECT_EQ(control.GetRespData(),
        CDataProcess::HexText(
            { reinterpret_cast<const uint8_t*>(greeting.data()), greeting.size() }));

    // Every issue is a fresh key; the answered challenge cannot be answered again.
    EXPECT_NE(Body(bank->IssueSessionKey(session.dump()))["pCpukEncSessionKey"],
        pair["pCpukEncSessionKey"]);
    EXPECT_EQ(bank->FinishAuthentication(answer.dump()).httpStatus, 409);
}

TEST_F(DemoBankTest, TamperedAnswersAreRefusedAndSpendTheChallenge)
{
    const auto flipFirst = [](std::string text) {
        text[0] = text[0] == '0' ? '1' : '0';
        return text;
    };
    for (const char* field : { "encryptRN2", "encryptHashRN2", "sessionKeyHash" }) {
        CVelkorCtrl control;
        json answer = Challenge(control);
        const std::string genuine = answer[field];
        answer[field] = flipFirst(genuine);
        const host::DemoBankReply refused = bank->FinishAuthentication(answer.dump());
        ASSERT_EQ(refused.httpStatus, 200) << field;
        EXPECT_EQ(Body(refused)["authenticated"], false) << field;
        EXPECT_FALSE(Body(refused)["reason"].get<std::string>().empty());

        answer[field] = genuine;
        EXPECT_EQ(bank->FinishAuthentication(answer.dump()).httpStatus, 409) << field;
        const json session = { { "session", answer["session"] } };
        EXPECT_EQ(bank->IssueSessionKey(session.dump()).httpStatus, 409) << "no key without "
                                                                            "authentication";
    }
}

TEST_F(DemoBankTest, MalformedRequestsAndUnknownSessionsGetClearErrors)
{
    const std::string unknown(32, 'A');
    const std::string hash(40, '0');
    const struct {
        const char* body;
        int status;
        const char* error;
    } cases[] = {
        { "not json", 400, "not valid JSON" },
        { "[1,2]", 400, "must be a JSON object" },
        { R"({"encryptRN2":"00"})", 400, "missing field \"session\"" },
        { R"({"session":42})", 400, "\"session\" must be a string" },
        { R"({"session":"ABC"})", 400, "\"session\" must have 32 characters" },
        { R"({"session":"ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ"})", 400, "hexadecimal digits" },
        { R"({"session":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA","encryptRN2":"00",)"
          R"("encryptHashRN2":"00","sessionKeyHash":"00"})",
            400, "\"sessionKeyHash\" must have 40 characters" },
    };
    for (const auto& c : cases) {
        const host::DemoBankReply reply = bank->FinishAuthentication(c.body);
        EXPECT_EQ(reply.httpStatus, c.status) << c.body;
        EXPECT_NE(Body(reply)["error"].get<std::string>().find(c.error), std::string::npos)
            << c.body << " -> " << reply.json;
    }
    const json finish = { { "session", unknown }, { "encryptRN2", "00" },
        { "encryptHashRN2", "00" }, { "sessionKeyHash", hash } };
    EXPECT_EQ(bank->FinishAuthentication(finish.dump()).httpStatus, 404);
    EXPECT_EQ(bank->IssueSessionKey(json({ { "session", unknown } }).dump()).httpStatus, 404);
    EXPECT_EQ(bank->StartAuthentication("").httpStatus, 400);
    EXPECT_EQ(bank->StartAuthentication(std::string(20000, ' ')).httpStatus, 413);
}

// The document the confirmation dialog checks against the request: the bank writes the account,
// the transferee and the amount (integer part, '.', two decimals) where the dialog looks for them.
TEST_F(DemoBankTest, ConfirmationDocumentCarriesTheRequestWhereTheDialogChecksIt)
{
    const auto document = [&](json request) {
        const host::DemoBankReply reply = bank->ConfirmationDocument(request.dump());
        EXPECT_EQ(reply.httpStatus, 200) << reply.json;
        return Body(reply).value("document", "");
    };
    json withdrawal = { { "type", "withdrawal" }, { "pMoney", "00000000100000" },
        { "pAccount", "8220012345678901" }, { "pFdid", "00000007" } };
    const std::string shown = document(withdrawal);
    EXPECT_NE(shown.find("<Tag7>8220012345678901</Tag7>"), std::string::npos) << shown;
    EXPECT_NE(shown.find("<Tag13>1000.00</Tag13>"), std::string::npos) << shown;
    withdrawal["pMoney"] = "00000000000005";
    EXPECT_NE(document(withdrawal).find("<Tag13>0.05</Tag13>"), std::string::npos);

    json transfer = withdrawal;
    transfer["type"] = "transfer";
    EXPECT_EQ(bank->ConfirmationDocument(transfer.dump()).httpStatus, 400) << "no transferee";
    transfer["pImprtAccnt"] = "0170001234567890";
    EXPECT_NE(document(transfer).find("<Tag11>0170001234567890</Tag11>"), std::string::npos);
    transfer["pImprtAccnt"] = "0170<Tag13>9.00";
    EXPECT_EQ(bank->ConfirmationDocument(transfer.dump()).httpStatus, 400) << "tags smuggled in";
}

class DemoBankTacTest : public DemoBankTest {
protected:
    // Connects the card in `reader`, verifies its PIN and has it sign a withdrawal or transfer;
    // the request the page would send to the bank.
    json Sign(CVelkorCtrl& control, const Text& reader, const std::string& type,
        const std::string& account)
    {
        EXPECT_EQ(control.ConnectCard(reader), 0);
        EXPECT_EQ(control.VerifyPIN(u"123456"), 0);
        json request = { { "type", type }, { "pPCode", "2510" }, { "pFdid", "00000007" },
            { "pFdChkCode", "12345678" }, { "pMoney", "00000000100000" }, { "pAccount", account } };
        int32_t status;
        if (type == "transfer") {
            request["pImprtAccnt"] = "0170001234567890";
            status = control.AccountTransfer(u"2510", u"00000007", u"12345678", u"00000000100000",
                u"0170001234567890", T(account));
        } else {
            status = control.AccountWithdraw(
                u"2510", u"00000007", u"12345678", u"00000000100000", T(account));
        }
        EXPECT_EQ(status, 0);
        request["snum"] = TextToUtf8(control.GetRespSNUM());
        request["tac"] = TextToUtf8(control.GetRespTAC());
        request["timestamp"] = TextToUtf8(control.GetRespDateTime());
        request["cardAccount"] = TextToUtf8(control.GetTransactionAccount());
        return request;
    }

    json Verify(const json& request)
    {
        const host::DemoBankReply reply = bank->VerifyTransaction(request.dump());
        EXPECT_EQ(reply.httpStatus, 200) << reply.json;
        return Body(reply);
    }
};

TEST_F(DemoBankTacTest, EachCardsTacIsAcceptedOnceAndAnAlteredTransactionIsRefused)
{
    testing::SimulatedReaders sim(TwoCards());
    CVelkorCtrl control;
    const json withdrawal = Sign(control, kPadReader, "withdrawal", "8220012345678902");
    EXPECT_EQ(Verify(withdrawal)["verified"], true);
    const json replay = Verify(withdrawal);
    EXPECT_EQ(replay["verified"], false);
    EXPECT_NE(replay["reason"].get<std::string>().find("already accepted"), std::string::npos);

    // The second card signs under its own key.
    const json transfer = Sign(control, kPlainReader, "transfer", "9990001112223334");
    const auto alteredVerdict = [&](const char* field, const char* value) {
        json altered = transfer;
        altered[field] = value;
        return Verify(altered);
    };
    EXPECT_EQ(alteredVerdict("pMoney", "00000009100000")["verified"], false);
    EXPECT_EQ(alteredVerdict("pImprtAccnt", "0170001234567891")["verified"], false);
    EXPECT_EQ(Verify(transfer)["verified"], true) << "a refused attempt does not spend the SNUM";
    const json unknown = alteredVerdict("cardAccount", "1234123412341234");
    EXPECT_EQ(unknown["verified"], false);
    EXPECT_NE(unknown["reason"].get<std::string>().find("no key"), std::string::npos);
}

// A customer who confirms every dialog at once.
class ConfirmingUi final : public Ui {
public:
    void ShowMessage(std::u16string_view, std::u16string_view) override { }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }
    int RunConfirmation(ConfirmationRequest&) override { return 1; }
};

TEST_F(DemoBankTacTest, ARecordWrittenWithSnumAndTacIsAcceptedOnce)
{
    testing::SimulatedReaders sim(TwoCards());
    ConfirmingUi ui;
    CVelkorCtrl control(ui);
    const json document
        = Body(bank->ConfirmationDocument(R"({"type": "record", "pApduCmd": "DEMO RECORD 0001"})"));
    ASSERT_EQ(control.WriteRecordWithSNUMTAC(
                  kPlainReader, u"DEMO RECORD 0001", T(document["document"]), u"123456"),
        0);
    json request = { { "type", "record" }, { "pApduCmd", "DEMO RECORD 0001" },
        { "snum", TextToUtf8(control.GetRespSNUM()) }, { "tac", TextToUtf8(control.GetRespTAC()) },
        { "cardAccount", TextToUtf8(control.GetTransactionAccount()) } };
    EXPECT_EQ(Verify(request)["verified"], true);
    EXPECT_EQ(Verify(request)["verified"], false) << "accepted once";
    request["pApduCmd"] = "DEMO RECORD 0002";
    EXPECT_EQ(Verify(request)["verified"], false);
}

TEST_F(DemoBankTacTest, MalformedTransactionsAreBadRequests)
{
    const json good = { { "type", "withdrawal" }, { "pPCode", "2510" }, { "pFdid", "00000007" },
        { "pFdChkCode", "12345678" }, { "pMoney", "00000000100000" },
        { "pAccount", "8220012345678901" }, { "snum", "00000001" }, { "tac", "0011223344556677" },
        { "timestamp", "20240305070809" }, { "cardAccount", "8220012345678901" } };
    EXPECT_EQ(bank->VerifyTransaction(good.dump()).httpStatus, 200);
    const std::pair<const char*, json> changes[] = {
        { "type", "refund" },
        { "type", "transfer" }, // without pImprtAccnt
        { "type", "payment" }, // without pPaymentType and pCancelNo
        { "pMoney", "0000000010000A" },
        { "pMoney", "100" },
        { "tac", "00112233445566" },
        { "tac", "001122334455667G" },
        { "timestamp", "2024-03-05 07:08" },
        { "pAccount", "82200123456789\xC3\xA9" }, // not one byte per character
        { "snum", nullptr },
        { "cardAccount", 8220012345678901 },
    };
    for (const auto& [field, value] : changes) {
        json request = good;
        request[field] = value;
        const host::DemoBankReply reply = bank->VerifyTransaction(request.dump());
        EXPECT_EQ(reply.httpStatus, 400) << field << " = " << value.dump() << ": " << reply.json;
        EXPECT_TRUE(Body(reply).contains("error"));
    }
}

// The web-ATM transfer: lists under the session key, the card's TAC and the import account.
class DemoBankTransferTest : public DemoBankTest {
protected:
    json Start(const std::string& service = "0")
    {
        const host::DemoBankReply reply = bank->StartTransfer(json { { "session", session.id },
            { "pAccount", testing::kCardAccount }, { "pMoney", "00000000250000" },
            { "serviceType", service } }.dump());
        EXPECT_EQ(reply.httpStatus, 200) << reply.json;
        return Body(reply);
    }
    // Runs the transfer the bank started on `customer`, typed PIN or the reader's pad; what the
    // page sends the bank to check.
    json Run(CVelkorCtrl& customer, const json& a, bool pinPad)
    {
        const Text& hash = session.hash;
        const Text& key = session.key;
        const int32_t status = pinPad
            ? customer.TransferProcSnd(T(a["pPCode"]), T(a["pFdid"]), T(a["pFdChkCode"]),
                T(a["pMoney"]), T(a["pAccount"]), kPadReader, T(a["pShowMsg"]), hash, key,
                T(a["CommonInfo"]), T(a["ServiceType"]))
            : customer.TransferProc(T(a["pPCode"]), T(a["pFdid"]), T(a["pFdChkCode"]),
                T(a["pMoney"]), T(a["pAccount"]), kPadReader, u"123456", T(a["pShowMsg"]), hash,
                key, T(a["CommonInfo"]), T(a["ServiceType"]));
        EXPECT_EQ(status, 0);
        return { { "session", session.id },
            { "clearImportAccount", TextToUtf8(customer.GetClearImportAccount()) },
            { "encImportAccount", TextToUtf8(customer.GetEncImportAccount()) },
            { "snum", TextToUtf8(customer.GetRespSNUM()) },
            { "tac", TextToUtf8(customer.GetRespTAC()) },
            { "timestamp", TextToUtf8(customer.GetRespDateTime()) },
            { "cardAccount", TextToUtf8(customer.GetTransactionAccount()) } };
    }
    host::DemoBankReply Verify(const json& request) { return bank->VerifyTransfer(request.dump()); }

    testing::TransferDialogsUi ui;
    CVelkorCtrl control { ui };
    testing::BankSession session;
};

TEST_F(DemoBankTransferTest, TheBankChecksTheChosenAccountAndTheTacOnce)
{
    testing::SimulatedReaders sim(TwoCards());
    session = testing::SignIn(*bank, control);
    // An agreed account of the bank's list, with the typed PIN.
    ui.firstResult = u"00123456789012340台灣銀行-信義分行%%004";
    const json started = Start();
    const json signedTransfer = Run(control, started, false);
    EXPECT_EQ(ui.accountDocument, T(started["CommonInfo"]));
    EXPECT_EQ(ui.accountDocument.find(u"12345678901234"), Text::npos) << "enciphered lists";
    const json accepted = Body(Verify(signedTransfer));
    EXPECT_EQ(accepted["verified"], true) << accepted.dump();
    EXPECT_EQ(accepted["importAccount"]["account"], "12345678901234");
    EXPECT_EQ(Verify(signedTransfer).httpStatus, 409) << "checked once";

    // A typed account, on the reader's pad.
    ui.firstResult = u"00000000012345672812 台新銀行%%812";
    ui.secondResult = u"812||1234567||2||2523||ming@example.tw||";
    EXPECT_EQ(Body(Verify(Run(control, Start(), true)))["verified"], true);

    // An "agreed" account the bank never offered.
    ui.secondResult = u"004||99999999999999||0||2523||";
    const json unoffered = Body(Verify(Run(control, Start(), false)));
    EXPECT_EQ(unoffered["importAccountMatches"], true);
    EXPECT_EQ(unoffered["verified"], false);
}

// The same flow through the real dialogs' decisions, driven as `velkor call --ui script` does.
TEST_F(DemoBankTransferTest, TheRealDialogsHandTheBankAnAccountItCanCheck)
{
    testing::SimulatedReaders sim(TwoCards());
    session = testing::SignIn(*bank, control);
    const auto runScripted = [&](const std::string& accountActions, bool pinPad) {
        const std::string text = R"({"dialogs": [{"expect": "CTransSet", "actions": [)"
            + accountActions + R"(]}, {"expect": "CTryFirm", "actions": [
            {"card": "remove"}, {"wait": 1}, {"card": "insert"}, {"wait": 0.25},
            {"click": 1}]}]})";
        std::string error;
        std::optional<DialogScript> script = ParseDialogScript(text, error);
        EXPECT_TRUE(script) << error;
        ScriptUi scripted(std::move(*script));
        CVelkorCtrl customer { scripted };
        const json request = Run(customer, Start(), pinPad);
        EXPECT_EQ(scripted.Problems(), 0);
        return request;
    };

    const auto expectChecked = [&](const std::string& actions, bool pinPad, const char* account) {
        const json verdict = Body(Verify(runScripted(actions, pinPad)));
        EXPECT_EQ(verdict["verified"], true) << verdict.dump();
        EXPECT_EQ(verdict["importAccount"]["account"], account);
    };
    // The second agreed account, typed PIN.
    expectChecked(R"({"select": [1093, 1]}, {"click": 1})", false, "8220099988877766");
    // A common account whose stored e-mail fills the notification field, on the reader's pad.
    expectChecked(R"({"click": 1038}, {"select": [1091, 0]}, {"click": 1})", true, "0000555666777");
    // Another account typed on the shuffled keypad, to be added to the common accounts.
    expectChecked(R"({"click": 1039}, {"select": [1092, 3]}, {"type": "1234567"}, {"click": 1081},)"
                  R"( {"click": 1})",
        false, "1234567");
}

TEST(CardKeyTable, ReadsConfigurationsAndProfilesAndRefusesBadKeys)
{
    host::CardKeyTable table;
    std::string error;
    ASSERT_TRUE(table.Load(R"({"kind":"financial","atr":"3B00","accounts":
        ["8220012345678901","0000000000000000"]})",
        error));
    ASSERT_NE(table.KeyForAccount("8220012345678901"), nullptr);
    EXPECT_EQ(CDataProcess::HexText(*table.KeyForAccount("8220012345678901")),
        u"404142434445464748494A4B4C4D4E4F")
        << "the virtual card's default key";
    EXPECT_EQ(table.KeyForAccount("0000000000000000"), nullptr) << "an empty record is no account";

    ASSERT_TRUE(table.Load(TwoCards().dump(), error));
    EXPECT_EQ(table.CardCount(), 2u);
    EXPECT_EQ(CDataProcess::HexText(*table.KeyForAccount("9990001112223334")), T(kOtherKey));

    EXPECT_FALSE(table.Load(R"({"kind":"financial","tacKey":"0011"})", error));
    EXPECT_FALSE(table.Load(R"({"kind":"financial","tacKey":"not hex"})", error));
    EXPECT_FALSE(table.Load("[", error));
    EXPECT_EQ(table.CardCount(), 2u) << "a failed load keeps the previous table";
}

TEST(DemoSessions, AClientFloodingStartsLosesOnlyItsOwnSessionsAndOldOnesExpire)
{
    auto now = std::chrono::steady_clock::time_point {};
    host::DemoSessions sessions(
        { .capacity = 4, .perClient = 2, .lifetime = std::chrono::seconds(60) },
        [&now] { return now; });
    const std::string customer = sessions.Create({}, "customer").id;
    EXPECT_EQ(customer.size(), 32u);
    std::string flood[3];
    for (auto& id : flood) {
        id = sessions.Create({}, "flood").id;
    }
    EXPECT_NE(sessions.Find(customer), nullptr) << "another client's session survives";
    EXPECT_EQ(sessions.Find(flood[0]), nullptr) << "the flooding client's oldest made room";
    EXPECT_NE(sessions.Find(flood[2]), nullptr);

    // A store full of live sessions of other clients refuses rather than pushing one out.
    sessions.Create({}, "third");
    EXPECT_EQ(sessions.size(), 4u);
    const auto refused = sessions.Create({}, "fourth");
    EXPECT_TRUE(refused.full);
    EXPECT_TRUE(refused.id.empty());
    EXPECT_NE(sessions.Find(customer), nullptr);

    now += std::chrono::seconds(60);
    EXPECT_EQ(sessions.Find(customer), nullptr) << "expired";
    EXPECT_FALSE(sessions.Create({}, "fourth").id.empty());
    EXPECT_EQ(sessions.size(), 1u);
}

} // namespace
} // namespace velkor
