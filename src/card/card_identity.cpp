#include "card/card_identity.h"

#include <algorithm>

#include "card/card_application.h"
#include "crypto/data_process.h"

namespace velkor::card {

namespace {

constexpr size_t kRecordDataOffset = 2;
constexpr size_t kIssuerChars = 8;
constexpr uint8_t kIssuerRecordLe = 0x0A;
constexpr uint8_t kRemarkRecordLe = 0x28;
constexpr uint8_t kSerialLe = 0x10;
constexpr size_t kSerialOffset = 4;
constexpr size_t kSerialBytes = 8;

// Selects the application and EF1001 and reads one of its records.
Result ReadAccountFileRecord(
    pcsc::CardSlot slot, uint8_t record, uint8_t le, pcsc::ApduResponse& response)
{
    if (!Succeeded(SelectApplication(slot)) || !Succeeded(SelectFile(slot, kAccountFile))) {
        return Outcome::ApplicationNotSelected;
    }
    const pcsc::ApduResult read = ReadRecord(slot, record, le, response);
    return Succeeded(read) ? Result() : Result::Failed(read);
}

} // namespace

Result ReadIssuerBank(pcsc::CardSlot slot, Text& issuer)
{
    pcsc::ApduResponse response;
    if (Result read = ReadAccountFileRecord(slot, 1, kIssuerRecordLe, response); !read.Ok()) {
        return read;
    }
    const auto data = response.Data();
    const auto chars = data.size() > kRecordDataOffset
        ? data.subspan(kRecordDataOffset, std::min(kIssuerChars, data.size() - kRecordDataOffset))
        : std::span<const uint8_t> {};
    const auto end = std::find(chars.begin(), chars.end(), uint8_t { 0 });
    issuer = BytesAsText(chars.data(), static_cast<size_t>(end - chars.begin()));
    return Outcome::Done;
}

Result ReadCardRemark(pcsc::CardSlot slot, Text& remarkHex)
{
    pcsc::ApduResponse response;
    if (Result read = ReadAccountFileRecord(slot, 2, kRemarkRecordLe, response); !read.Ok()) {
        return read;
    }
    const auto data = response.Data();
    if (data.size() <= kRecordDataOffset) {
        return Outcome::AnswerTooShort;
    }
    remarkHex = CDataProcess::HexText(data.subspan(kRecordDataOffset));
    return Outcome::Done;
}

Result ReadCardSerial(pcsc::CardSlot slot, Text& serialHex)
{
    if (Result entered = EnterApplication(slot); !entered.Ok()) {
        return entered;
    }
    uint8_t le = kSerialLe;
    pcsc::ApduResponse response;
    const pcsc::ApduResult read
        = pcsc::TransmitApdu(slot, { 0x00, 0xB0, 0x00, 0x00 }, {}, le, response);
    if (!Succeeded(read)) {
        return Result::Failed(read);
    }
    if (response.length < kSerialOffset + kSerialBytes) {
        return Outcome::AnswerTooShort;
    }
    serialHex = CDataProcess::HexText(response.Data().subspan(kSerialOffset, kSerialBytes));
    return Outcome::Done;
}

} // namespace velkor::card
