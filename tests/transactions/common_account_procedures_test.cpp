#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "common_account_form_kind.h"
#include "control/velkor_ctrl.h"
#include "pcsc/simulated_readers.h"

// The common-account procedures on the simulator, with a Ui that plays the customer: what the
// form and the confirmation dialog are given, how their answers are reported, where the PIN is
// verified, what is stored, and that the card session always ends.
namespace velkor {
namespace {

using namespace std::string_view_literals;

using testing::FinancialCard;
using testing::Readers;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";
const Text kHash = u"HASH";
const Text kKey = u"KEY";
const Text kPinRowDocument = u"<AtmNode Name=\"銀行\" Type=\"0\">甲%%004</AtmNode>"
                             u"<AtmNode name=\"密碼\" TYPE=\" 7\" KeyType=\"7\"/>";
const Text kNoPinRowDocument = u"<AtmNode Name=\"帳號\" Type=\"3\" KeyType=\"3\"/>";
const Text kPlainOutput = u"004||1234567890123||";
const Text kEncipheredOutput = u"00112233445566778899AABBCCDDEEFF";
const Text kConfirmation = u"<MSG> <Tag1>新增</Tag1> </MSG>";

// Answers the form and the confirmation as told, typing `typedPin` into the form's PIN row.
class CustomerUi final : public Ui {
public:
    int formAnswer = 1;
    int confirmAnswer = 1;
    std::optional<std::string> typedPin;
    std::function<void()> duringForm, duringConfirmation;
    std::vector<CommonAccountFormKind> forms;
    std::vector<int> confirmationKinds;
    std::vector<int32_t> pinAnswers;

    int RunCommonAccountForm(CommonAccountRequest& request) override
    {
        forms.push_back(request.form);
        if (duringForm) {
            duringForm();
        }
        EXPECT_EQ(request.keys.hash, kHash);
        EXPECT_EQ(request.keys.encipheredKey, kKey);
        EXPECT_EQ(
            static_cast<bool>(request.verifyPin), request.form == CommonAccountFormKind::WebAtm);
        if (typedPin) {
            const SecureBytes pin(
                reinterpret_cast<const uint8_t*>(typedPin->data()), typedPin->size());
            pinAnswers.push_back(request.verifyPin(pin));
            if (pinAnswers.back() != status::kOk) {
                return 105;
            }
        }
        request.plainOutput = kPlainOutput;
        request.protectedOutput = kEncipheredOutput;
        request.confirmationDocument = kConfirmation;
        return formAnswer;
    }
    int RunConfirmation(ConfirmationRequest& request) override
    {
        confirmationKinds.push_back(request.kind);
        EXPECT_EQ(request.document, kConfirmation);
        EXPECT_EQ(request.transferee, std::optional<std::u16string_view>(kEncipheredOutput));
        EXPECT_EQ(request.probeCard(), 0);
        if (duringConfirmation) {
            duringConfirmation();
        }
        return confirmAnswer;
    }
    void ShowMessage(std::u16string_view, std::u16string_view) override { }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }
};

class CommonAccountProcedures : public ::testing::Test {
protected:
    int32_t Proc(const Text& reader, const Text& document)
    {
        return control.CommAccountProc(reader, kHash, kKey, document);
    }
    void ExpectStored(const Text& clear, const Text& enciphered)
    {
        EXPECT_EQ(control.GetClearCommAcc(), clear);
        EXPECT_EQ(control.GetRespData(), clear);
        EXPECT_EQ(control.GetEncCommAcc(), enciphered);
    }

    WaitRecorder waits;
    CustomerUi ui;
    CVelkorCtrl control { ui };
};

TEST_F(CommonAccountProcedures, APinRowInTheFormMeansKind25AndNoPinOnTheReader)
{
    // The pad would type a wrong PIN: a verification on the reader would fail the call.
    SimulatedReaders sim(Readers(FinancialCard(), FinancialCard(), "000000"));
    ui.typedPin = "123456";
    EXPECT_EQ(Proc(kPad, kPinRowDocument), status::kOk);
    EXPECT_EQ(ui.pinAnswers, std::vector<int32_t> { 0 }) << "verified on the procedure's card";
    EXPECT_EQ(ui.confirmationKinds, std::vector<int> { 25 });
    ExpectStored(kPlainOutput, kEncipheredOutput);
    EXPECT_FALSE(control.Session().ContextEstablished());

    // A plain reader does for a form that takes the PIN itself.
    EXPECT_EQ(Proc(kPlain, kPinRowDocument), status::kOk);
}

TEST_F(CommonAccountProcedures, WithoutAPinRowThePadVerifiesEvenAfterTheCardWasPulled)
{
    SimulatedReaders sim(Readers(FinancialCard(), FinancialCard()));
    EXPECT_EQ(Proc(kPlain, kNoPinRowDocument), status::kPinEntryUnavailable);
    EXPECT_TRUE(ui.forms.empty()) << "refused before any dialog";
    EXPECT_FALSE(control.Session().ContextEstablished());

    ui.duringConfirmation = [&sim] {
        sim.RemoveCard(testing::kPadReader);
        sim.InsertCard(testing::kPadReader);
    };
    EXPECT_EQ(Proc(kPad, kNoPinRowDocument), status::kOk);
    EXPECT_EQ(ui.confirmationKinds, std::vector<int> { 26 });
    EXPECT_FALSE(control.Session().ContextEstablished());

    // A wrong PIN on the pad is the call's status; the account the form gave stays stored.
    sim.Reload(Readers(FinancialCard(), nullptr, "000000"));
    EXPECT_EQ(Proc(kPad, kNoPinRowDocument), status::kPinRefused);
    ExpectStored(kPlainOutput, kEncipheredOutput);
}

TEST_F(CommonAccountProcedures, RefusalsAndCancellationsEndDisconnected)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    ui.typedPin = "999999";
    EXPECT_EQ(Proc(kPad, kPinRowDocument), status::kPinEntryUnavailable);
    EXPECT_EQ(ui.pinAnswers, std::vector<int32_t> { status::kPinRefused });
    EXPECT_TRUE(ui.confirmationKinds.empty());
    ExpectStored(u"", u"");
    EXPECT_FALSE(control.Session().ContextEstablished());

    ui.typedPin.reset();
    ui.formAnswer = 2;
    EXPECT_EQ(Proc(kPad, kPinRowDocument), status::kNotConfirmed);
    ExpectStored(u"", u"");

    // Once the form said OK the outputs are stored, whatever the confirmation says.
    ui.formAnswer = 1;
    for (const int answer : { 2, 101, 102 }) {
        ui.confirmAnswer = answer;
        EXPECT_EQ(Proc(kPad, kPinRowDocument), status::kNotConfirmed);
        ExpectStored(kPlainOutput, kEncipheredOutput);
        EXPECT_FALSE(control.Session().ContextEstablished());
    }

    EXPECT_EQ(Proc(u"Missing Reader 09", kPinRowDocument), pcsc::kUnknownReader)
        << "the connection's error";
    EXPECT_FALSE(control.Session().ContextEstablished());
}

TEST_F(CommonAccountProcedures, APageThatLeftGetsNoPinCheckAndNoOutputs)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    control.MarkPageLeft();
    EXPECT_EQ(Proc(kPad, kPinRowDocument), status::kNotConfirmed);
    EXPECT_TRUE(ui.forms.empty());

    // The page leaves while the form is open: the PIN typed in it goes nowhere.
    CVelkorCtrl page(ui);
    ui.duringForm = [&page] { page.MarkPageLeft(); };
    ui.typedPin = "123456";
    EXPECT_EQ(page.CommAccountProc(kPad, kHash, kKey, kPinRowDocument), status::kNotConfirmed);
    ASSERT_EQ(ui.pinAnswers.size(), 1u);
    EXPECT_NE(ui.pinAnswers[0], 0) << "the PIN reached the card of a page that left";
    EXPECT_EQ(page.GetClearCommAcc(), u"");
    EXPECT_FALSE(page.Session().ContextEstablished());
}

TEST_F(CommonAccountProcedures, NetBankFormStoresOnOkAndKeepsEarlierValuesOtherwise)
{
    EXPECT_EQ(control.CommAccountNet(kHash, kKey, kNoPinRowDocument), status::kOk);
    EXPECT_EQ(ui.forms, std::vector<CommonAccountFormKind> { CommonAccountFormKind::NetBank });
    ExpectStored(kPlainOutput, kEncipheredOutput);
    ui.formAnswer = 2;
    EXPECT_EQ(control.CommAccountNet(kHash, kKey, kNoPinRowDocument), status::kNotConfirmed);
    ExpectStored(kPlainOutput, kEncipheredOutput);
}

TEST(CommonAccountFormKind, OnlyATypeAttributeOfSixOrSevenMeansThePinIsTypedInTheForm)
{
    EXPECT_TRUE(FormCollectsPin(u"<AtmNode TYPE=\"\t6 \" Name=\"x\"/>"));
    EXPECT_TRUE(FormCollectsPin(u"<AtmNode Type=\"3\"/><AtmNode Type=\"70\"></AtmNode>"));
    EXPECT_FALSE(FormCollectsPin(u"<atmnode Type=\"6\"/>")) << "the open tag is exact";
    EXPECT_FALSE(FormCollectsPin(u"<AtmNode Name=\"a\"/> Type=\"6\"")) << "after the element";
    EXPECT_FALSE(FormCollectsPin(u"<AtmNode Type=\"6\"")) << "never closed";
    EXPECT_FALSE(FormCollectsPin(u"<AtmNode Name=\"\0\" Type=\"6\"/>"sv));
    EXPECT_FALSE(FormCollectsPin(u"<AtmNode Type=\"0\" KeyType=\"7\"/>"));
}

} // namespace
} // namespace velkor
