#include "transactions/transaction_identity.h"

#include "card/card_application.h"
#include "crypto/data_process.h"

namespace velkor::transactions {

namespace {

// Where the texts lie in the answer of the extended read: record 1 (10 bytes), record 2 (32
// bytes) and record 3 (18 bytes) one after the other, each with two unused leading bytes.
constexpr size_t kIssuerOffset = 2;
constexpr size_t kIssuerChars = 3;
constexpr size_t kRemarkOffset = 12;
constexpr size_t kRemarkBytes = 30;
constexpr size_t kAccountOffset = 44;
constexpr size_t kAccountChars = 16;
constexpr size_t kRecordDataOffset = 2;

// Records 1 onward in one READ RECORD (P2 05) with an extended expected length of 0. False when
// the card refuses it or answers too little to hold the three texts.
bool ReadAllAtOnce(pcsc::CardSlot slot, Text& issuer, Text& remark, Text& account)
{
    uint32_t expected = 0;
    pcsc::ApduExtendedAnswer answer;
    if (!card::Succeeded(
            pcsc::TransmitApduExtended(slot, { 0x00, 0xB2, 0x01, 0x05 }, {}, expected, answer))
        || answer.length < kAccountOffset + kAccountChars + 2) {
        return false;
    }
    const uint8_t* bytes = answer.bytes.data();
    remark = CDataProcess::HexText({ bytes + kRemarkOffset, kRemarkBytes });
    issuer = BytesAsText(bytes + kIssuerOffset, kIssuerChars);
    account = BytesAsText(bytes + kAccountOffset, kAccountChars);
    return true;
}

// One record at a time; each text is replaced as soon as its record arrived.
void ReadRecordByRecord(pcsc::CardSlot slot, Text& issuer, Text& remark, Text& account)
{
    pcsc::ApduResponse response;
    if (!card::Succeeded(card::ReadRecord(slot, 1, 0x08, response))
        || response.length < kRecordDataOffset + kIssuerChars) {
        return;
    }
    issuer = BytesAsText(response.bytes.data() + kRecordDataOffset, kIssuerChars);

    if (!card::Succeeded(card::ReadRecord(slot, 2, 0x20, response))
        || response.length <= kRecordDataOffset) {
        return;
    }
    remark = CDataProcess::HexText(response.Data().subspan(kRecordDataOffset));

    if (!card::Succeeded(card::ReadRecord(slot, 3, 0x12, response))
        || response.length < kRecordDataOffset + kAccountChars) {
        return;
    }
    account = BytesAsText(response.bytes.data() + kRecordDataOffset, kAccountChars);
}

} // namespace

void ReadTransactionIdentity(pcsc::CardSlot slot, Text& issuer, Text& remark, Text& account)
{
    if (!card::Succeeded(card::SelectFile(slot, card::kAccountFile))) {
        return;
    }
    if (!ReadAllAtOnce(slot, issuer, remark, account)) {
        ReadRecordByRecord(slot, issuer, remark, account);
    }
}

} // namespace velkor::transactions
