#include "card/card_identity.h"

#include <algorithm>

#include "card/card_application.h"
#include "common/status_codes.h"
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
constexpr int32_t kMalformedAnswer = -1;

// Selects the application and EF1001 and reads one of its records.
int32_t ReadAccountFileRecord(
    pcsc::CardSlot slot, uint8_t record, uint8_t le, pcsc::ApduResponse& response)
{
    if (!Succeeded(SelectApplication(slot)) || !Succeeded(SelectFile(slot, kAccountFile))) {
        return status::kSelectionFailed;
    }
    return ReadRecord(slot, record, le, response).Code();
}

} // namespace

int32_t ReadIssuerBank(pcsc::CardSlot slot, Text& issuer)
{
    pcsc::ApduResponse response;
    if (const int32_t read = ReadAccountFileRecord(slot, 1, kIssuerRecordLe, response);
        read != status::kOk) {
        return read;
    }
    const auto data = response.Data();
    const auto chars = data.size() > kRecordDataOffset
        ? data.subspan(kRecordDataOffset, std::min(kIssuerChars, data.size() - kRecordDataOffset))
        : std::span<const uint8_t> {};
    const auto end = std::find(chars.begin(), chars.end(), uint8_t { 0 });
    issuer = BytesAsText(chars.data(), static_cast<size_t>(end - chars.begin()));
    return status::kOk;
}

int32_t ReadCardRemark(pcsc::CardSlot slot, Text& remarkHex)
{
    pcsc::ApduResponse response;
    if (const int32_t read = ReadAccountFileRecord(slot, 2, kRemarkRecordLe, response);
        read != status::kOk) {
        return read;
    }
    const auto data = response.Data();
    if (data.size() <= kRecordDataOffset) {
        return kMalformedAnswer;
    }
    remarkHex = CDataProcess::HexText(data.subspan(kRecordDataOffset));
    return status::kOk;
}

int32_t ReadCardSerial(pcsc::CardSlot slot, Text& serialHex)
{
    if (!Succeeded(SelectApplication(slot))) {
        return status::kSelectionFailed;
    }
    uint8_t le = kSerialLe;
    pcsc::ApduResponse response;
    const pcsc::ApduResult read
        = pcsc::TransmitApdu(slot, { 0x00, 0xB0, 0x00, 0x00 }, {}, le, response);
    if (!Succeeded(read)) {
        return read.Code();
    }
    if (response.length < kSerialOffset + kSerialBytes) {
        return kMalformedAnswer;
    }
    serialHex = CDataProcess::HexText(response.Data().subspan(kSerialOffset, kSerialBytes));
    return status::kOk;
}

} // namespace velkor::card
