#include "card/snum_tac_command.h"

#include "card/card_application.h"
#include "crypto/data_process.h"

namespace velkor::card {

namespace {

constexpr size_t kSnumOffset = 1;
constexpr size_t kSnumChars = 8;
constexpr size_t kTacOffset = 11;
constexpr size_t kTacBytes = 8;
constexpr size_t kP1P2Chars = 4;

} // namespace

pcsc::ApduResult SendSnumTacCommand(pcsc::CardSlot slot, uint8_t p1, uint8_t p2,
    std::span<const uint8_t> data, pcsc::ApduResponse& response)
{
    uint8_t le = 0x00;
    return pcsc::TransmitApdu(slot, { 0x00, 0xE2, p1, p2 }, data, le, response);
}

bool ReadSnumTac(std::span<const uint8_t> answer, Text& snum, Text& tac)
{
    if (answer.size() < kTacOffset + kTacBytes) {
        return false;
    }
    snum = BytesAsText(answer.data() + kSnumOffset, kSnumChars);
    tac = CDataProcess::HexText(answer.subspan(kTacOffset, kTacBytes));
    return true;
}

Result WriteRecordWithSnumTac(pcsc::CardSlot slot, const OptText& p1p2, int32_t length,
    const OptText& command, Text& snum, Text& tac)
{
    if (!p1p2 || !command) {
        return Outcome::ArgumentMissing;
    }
    if (p1p2->size() != kP1P2Chars || length < 0 || static_cast<size_t>(length) != command->size()
        || command->size() > kMaxSnumTacCommandChars) {
        return Outcome::ArgumentWrongLength;
    }
    uint8_t parameters[2] = {};
    if (!CDataProcess::HexToBytes(kP1P2Chars, *p1p2, parameters)) {
        return Outcome::ArgumentNotHex;
    }
    const SecureBytes data = TextLow8(*command);
    pcsc::ApduResponse response;
    const pcsc::ApduResult result = SendSnumTacCommand(slot, parameters[0], parameters[1],
        std::span<const uint8_t>(data.data(), data.size()), response);
    if (!Succeeded(result)) {
        return Result::Failed(result);
    }
    Text newSnum;
    Text newTac;
    if (!ReadSnumTac(response.Data(), newSnum, newTac)) {
        return Outcome::AnswerTooShort;
    }
    snum = std::move(newSnum);
    tac = std::move(newTac);
    return Outcome::Done;
}

} // namespace velkor::card
