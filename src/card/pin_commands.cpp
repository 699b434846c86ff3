#include "card/pin_commands.h"

#include "card/account_files.h"
#include "card/card_application.h"
#include "card/pin_block.h"
#include "common/secure_buffer.h"
#include "common/status_codes.h"

namespace velkor::card {

namespace {

constexpr pcsc::ApduHeader kVerify { 0x00, 0x20, 0x00, 0x10 };
constexpr pcsc::ApduHeader kVerifyShortForm { 0x80, 0x20, 0x00, 0x10 };
constexpr pcsc::ApduHeader kWritePinRecord { 0x00, 0xD2, 0x01, 0x04 };

int32_t SendVerify(int32_t slot, const PinBlockBytes& block)
{
    return pcsc::TransmitApdu(slot, kVerify, block, nullptr, nullptr);
}

// Sends `pin` (already checked) as its block with `header`: the card's result, or 8193 when the
// PIN does not pack. The block never outlives the call.
int32_t SendPinBlock(
    int32_t slot, const pcsc::ApduHeader& header, std::u16string_view pin, bool& packed)
{
    PinBlockBytes block;
    WipeOnExit wipeBlock(block);
    packed = PackPinBlock(pin, block);
    if (!packed) {
        return status::kBadValue;
    }
    return pcsc::TransmitApdu(slot, header, block, nullptr, nullptr);
}

} // namespace

int32_t MapPinResult(int32_t result)
{
    switch (result) {
    case 0:
        return status::kOk;
    case 0x6620:
        return status::kPinAnswered6620;
    case 0x6608:
        return status::kPinAnswered6608;
    default:
        return status::kPinRefused;
    }
}

int32_t VerifyPin(int32_t slot, const OptText& pin)
{
    if (const int32_t check = CheckPin(pin); check != status::kOk) {
        return check;
    }
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    bool packed = false;
    const int32_t result = SendPinBlock(slot, kVerify, *pin, packed);
    return packed ? MapPinResult(result) : result;
}

int32_t VerifyPinOnReader(int32_t slot)
{
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    return MapPinResult(SendVerify(slot, kPadVerifyBlock));
}

int32_t VerifyPinOnReaderShort(int32_t slot)
{
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    return MapPinResult(pcsc::TransmitApdu(slot, kVerifyShortForm, {}, nullptr, nullptr));
}

int32_t CheckPinChange(const OptText& oldPin, const OptText& newPin)
{
    if (!oldPin || !newPin) {
        return status::kMissingArgument;
    }
    const auto lengthOk = [](const Text& pin) {
        return pin.size() >= kMinPinDigits && pin.size() <= kMaxPinDigits;
    };
    if (!lengthOk(*oldPin) || !lengthOk(*newPin)) {
        return status::kBadLength;
    }
    if (CheckPinText(*oldPin) != status::kOk || CheckPinText(*newPin) != status::kOk) {
        return status::kBadValue;
    }
    return status::kOk;
}

int32_t ReplacePin(int32_t slot, std::u16string_view oldPin, std::u16string_view newPin)
{
    bool packed = false;
    const int32_t verified = SendPinBlock(slot, kVerify, oldPin, packed);
    if (!packed) {
        return verified;
    }
    if (MapPinResult(verified) != status::kOk) {
        return MapPinResult(verified);
    }
    if (!Succeeded(SelectFile(slot, kPinFile))) {
        return status::kSelectionFailed;
    }
    return SendPinBlock(slot, kWritePinRecord, newPin, packed);
}

int32_t ChangePin(int32_t slot, const OptText& oldPin, const OptText& newPin)
{
    if (const int32_t check = CheckPinChange(oldPin, newPin); check != status::kOk) {
        return check;
    }
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    return ReplacePin(slot, *oldPin, *newPin);
}

int32_t ChangePinOnReader(int32_t slot, const OptText& account)
{
    if (!account) {
        return status::kMissingArgument;
    }
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    if (const int32_t checked = CheckCardAccount(slot, *account); checked != status::kOk) {
        return checked;
    }
    if (!Succeeded(SelectFile(slot, kPinFile))) {
        return status::kSelectionFailed;
    }
    return MapPinResult(SendVerify(slot, kPadChangeBlock));
}

} // namespace velkor::card
