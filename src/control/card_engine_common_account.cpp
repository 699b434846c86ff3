#include <vector>

#include "card/pin_commands.h"
#include "card/pin_pad_reader.h"
#include "common/secure_buffer.h"
#include "common/status_codes.h"
#include "common_account_form_kind.h"
#include "control/card_engine.h"
#include "page_status.h"

namespace velkor {

namespace {

// Confirmation dialog kinds: the form verified the PIN itself (25), or the reader's pad will (26).
constexpr int kPinInFormKind = 25;
constexpr int kPinOnPadKind = 26;
// The form's answer when the card refused the PIN typed in its PIN row.
constexpr int kPinRefusedInForm = 105;

// Ends the procedure's card session on every way out once its connection succeeded, with the
// engine's disconnection: the members the procedure stored stay as they are.
class EndSessionOnExit {
public:
    EndSessionOnExit(const CardEngine& engine, const int32_t& slot)
        : engine_(engine)
        , slot_(slot)
    {
    }
    EndSessionOnExit(const EndSessionOnExit&) = delete;
    EndSessionOnExit& operator=(const EndSessionOnExit&) = delete;
    ~EndSessionOnExit() { engine_.DisconnectCard(slot_); }

private:
    const CardEngine& engine_;
    const int32_t& slot_;
};

std::u16string_view ViewOf(const OptText& text)
{
    return text ? std::u16string_view(*text) : std::u16string_view();
}

// Stores a result that may hold what the customer typed, wiping the text it replaces.
void StoreWiping(Text& member, const Text& value)
{
    WipeString(member);
    member = value;
}

} // namespace

int32_t CardEngine::CommAccountProc(const OptText& readerName, const OptText& sessionKeyHash,
    const OptText& encipheredSessionKey, const OptText& document, Text& respData,
    Text& encipheredCommonAccount, const PageInteraction& page) const
{
    int32_t slot = 0;
    int32_t atrHexLength = 0;
    Text atrHex;
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        if (readerName) {
            session_.DisconnectReaderByName(*readerName, pcsc::kResetCard);
        }
        return connected;
    }
    const EndSessionOnExit endSession(*this, slot);

    const int kind = FormCollectsPin(ViewOf(document)) ? kPinInFormKind : kPinOnPadKind;
    const card::PinPad pad = card::PinPadOf(readerName);
    if (kind == kPinOnPadKind && pad == card::PinPad::None) {
        return status::kPinEntryUnavailable;
    }

    CommonAccountRequest form;
    WipeOnExit wipePlain(form.plainOutput);
    WipeOnExit wipeDocument(form.confirmationDocument); // lists the typed values
    form.form = CommonAccountFormKind::WebAtm;
    form.document = ViewOf(document);
    form.keys = { ViewOf(sessionKeyHash), ViewOf(encipheredSessionKey) };
    form.readerSlot = slot;
    form.reader = *readerName;
    form.verifyPin = [this, &slot, &page](const SecureBytes& pin) -> int32_t {
        // Nobody is there to have typed it: no card command for a page that left.
        if (page.PageLeft()) {
            return status::kNotConfirmed;
        }
        OptText typed(std::in_place);
        WipeOnExit wipeTyped(*typed);
        typed->reserve(pin.size());
        for (const uint8_t digit : pin) {
            typed->push_back(digit);
        }
        return ToPageStatus(card::VerifyPin(session_.Slot(slot), typed));
    };
    const int formResult
        = page.RunDialog([&form](Ui& ui) { return ui.RunCommonAccountForm(form); });
    if (formResult == kPinRefusedInForm) {
        return status::kPinEntryUnavailable;
    }
    if (formResult != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    StoreWiping(respData, form.plainOutput);
    encipheredCommonAccount = form.protectedOutput;

    ConfirmationRequest confirmation;
    confirmation.document = form.confirmationDocument;
    confirmation.transferee = std::u16string_view(form.protectedOutput);
    confirmation.kind = kind;
    confirmation.reader = *readerName;
    confirmation.probeCard = [this, name = *readerName] {
        int32_t probed = 0;
        std::vector<uint8_t> atr;
        return session_.ConnectSlot(name, probed, atr, pcsc::kShareExclusive);
    };
    if (page.Confirm(confirmation) != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    if (kind == kPinInFormKind) {
        return status::kOk;
    }
    // The dialog has the customer pull the card and put it back: the first connection then
    // reaches a reset card or nothing, so the pad verification needs a connection of its own.
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        return connected;
    }
    return ToPageStatus(card::VerifyPinOnPad(session_.Slot(slot), pad));
}

} // namespace velkor
