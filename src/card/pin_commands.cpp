#include "card/pin_commands.h"

#include "card/account_files.h"
#include "card/card_application.h"
#include "card/pin_block.h"
#include "common/secure_buffer.h"
#include "pcsc/status_words.h"

namespace velkor::card {

namespace {

constexpr pcsc::ApduHeader kVerify { 0x00, 0x20, 0x00, 0x10 };
constexpr pcsc::ApduHeader kVerifyShortForm { 0x80, 0x20, 0x00, 0x10 };
constexpr pcsc::ApduHeader kWritePinRecord { 0x00, 0xD2, 0x01, 0x04 };

// Sends `pin` (already checked) as its block with `header`: ArgumentNotDigits when the PIN does
// not pack, else Done with the card's answer in `exchange`. The block never outlives the call.
Result SendPinBlock(pcsc::CardSlot slot, const pcsc::ApduHeader& header, std::u16string_view pin,
    pcsc::ApduResult& exchange)
{
    PinBlockBytes block;
    WipeOnExit wipeBlock(block);
    if (!PackPinBlock(pin, block)) {
        return Outcome::ArgumentNotDigits;
    }
    exchange = pcsc::TransmitApdu(slot, header, block);
    return Outcome::Done;
}

} // namespace

Result MapPinAnswer(const pcsc::ApduResult& verify)
{
    if (Succeeded(verify)) {
        return Outcome::Done;
    }
    if (verify.pcscResult != 0) {
        return Outcome::PinRefused;
    }
    switch (verify.statusWord) {
    case pcsc::sw::kPinAnswer6620:
        return Outcome::PinAnswered6620;
    case pcsc::sw::kPinAnswer6608:
        return Outcome::PinAnswered6608;
    default:
        return Outcome::PinRefused;
    }
}

Result VerifyPin(pcsc::CardSlot slot, const OptText& pin)
{
    if (Result check = CheckPin(pin); !check.Ok()) {
        return check;
    }
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    pcsc::ApduResult verify;
    if (Result sent = SendPinBlock(slot, kVerify, *pin, verify); !sent.Ok()) {
        return sent;
    }
    return MapPinAnswer(verify);
}

Result VerifyPinOnReader(pcsc::CardSlot slot)
{
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    return MapPinAnswer(pcsc::TransmitApdu(slot, kVerify, kPadVerifyBlock));
}

Result VerifyPinOnReaderShort(pcsc::CardSlot slot)
{
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    return MapPinAnswer(pcsc::TransmitApdu(slot, kVerifyShortForm, {}));
}

Result CheckPinChange(const OptText& oldPin, const OptText& newPin)
{
    if (!oldPin || !newPin) {
        return Outcome::ArgumentMissing;
    }
    const auto lengthOk = [](const Text& pin) {
        return pin.size() >= kMinPinDigits && pin.size() <= kMaxPinDigits;
    };
    if (!lengthOk(*oldPin) || !lengthOk(*newPin)) {
        return Outcome::ArgumentWrongLength;
    }
    if (!CheckPinText(*oldPin).Ok() || !CheckPinText(*newPin).Ok()) {
        return Outcome::ArgumentNotDigits;
    }
    return Outcome::Done;
}

Result ReplacePin(pcsc::CardSlot slot, std::u16string_view oldPin, std::u16string_view newPin)
{
    pcsc::ApduResult verify;
    if (Result sent = SendPinBlock(slot, kVerify, oldPin, verify); !sent.Ok()) {
        return sent;
    }
    if (Result verified = MapPinAnswer(verify); !verified.Ok()) {
        return verified;
    }
    if (!Succeeded(SelectFile(slot, kPinFile))) {
        return Outcome::ApplicationNotSelected;
    }
    pcsc::ApduResult write;
    if (Result sent = SendPinBlock(slot, kWritePinRecord, newPin, write); !sent.Ok()) {
        return sent;
    }
    return Succeeded(write) ? Result() : Result::Failed(write);
}

Result ChangePin(pcsc::CardSlot slot, const OptText& oldPin, const OptText& newPin)
{
    if (Result check = CheckPinChange(oldPin, newPin); !check.Ok()) {
        return check;
    }
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    return ReplacePin(slot, *oldPin, *newPin);
}

Result ChangePinOnReader(pcsc::CardSlot slot, const OptText& account)
{
    if (!account) {
        return Outcome::ArgumentMissing;
    }
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    if (Result checked = CheckCardAccount(slot, *account); !checked.Ok()) {
        return checked;
    }
    if (!Succeeded(SelectFile(slot, kPinFile))) {
        return Outcome::ApplicationNotSelected;
    }
    return MapPinAnswer(pcsc::TransmitApdu(slot, kVerify, kPadChangeBlock));
}

} // namespace velkor::card
