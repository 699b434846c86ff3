#include "financial_card.h"

#include <algorithm>

#include "common/secure_buffer.h"
#include "pin_pad.h"
#include "transaction_mac.h"

namespace velkor::sim {

namespace {

const Bytes kApplicationId { 0xA0, 0x00, 0x00, 0x01, 0x72, 0x95, 0x00, 0x01 };
constexpr uint16_t kAccountFile = 0x1001;
constexpr uint16_t kSecondAccountFile = 0x1002;
constexpr uint16_t kPinFile = 0x00C2;
constexpr size_t kPinBlockSize = 8;
constexpr uint32_t kSnumLimit = 100000000; // eight decimal digits

Bytes Sw(uint8_t sw1, uint8_t sw2)
{
    return { sw1, sw2 };
}

Bytes WithSuccess(Bytes data)
{
    data.push_back(0x90);
    data.push_back(0x00);
    return data;
}

// At most `le` bytes of `data` (0 or no Le: all of it).
Bytes Limited(const Bytes& data, std::optional<size_t> le)
{
    if (!le || *le == 0 || *le >= data.size()) {
        return data;
    }
    return Bytes(data.begin(), data.begin() + static_cast<ptrdiff_t>(*le));
}

// A PIN block as VERIFY and the PIN record take it: 6 to 12 digits, F after the last.
bool IsValidPinBlock(const Bytes& block)
{
    if (block.size() != kPinBlockSize) {
        return false;
    }
    size_t digits = 0;
    bool ended = false;
    for (const uint8_t byte : block) {
        for (const uint8_t nibble : { static_cast<uint8_t>(byte >> 4), uint8_t(byte & 0x0F) }) {
            if (ended || nibble == 0x0F) {
                if (nibble != 0x0F) {
                    return false;
                }
                ended = true;
            } else if (nibble > 9) {
                return false;
            } else {
                ++digits;
            }
        }
    }
    return digits >= 6 && digits <= 12;
}

} // namespace

// A command APDU taken apart: header, data (Lc) and the expected length (short or extended).
struct FinancialCard::Apdu {
    uint8_t cla = 0;
    uint8_t ins = 0;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
    Bytes data;
    std::optional<size_t> le;

    ~Apdu() { Wipe(data.data(), data.size()); }

    static std::optional<Apdu> Parse(const Bytes& command)
    {
        if (command.size() < 4) {
            return std::nullopt;
        }
        Apdu apdu { command[0], command[1], command[2], command[3], {}, std::nullopt };
        const size_t rest = command.size() - 4;
        if (rest == 0) {
            return apdu;
        }
        if (rest == 1) {
            apdu.le = command[4];
            return apdu;
        }
        if (rest == 3 && command[4] == 0) { // extended Le only
            apdu.le = static_cast<size_t>(command[5] << 8 | command[6]);
            return apdu;
        }
        const size_t lc = command[4];
        if (lc == 0 || rest < 1 + lc || rest > 2 + lc) {
            return std::nullopt;
        }
        apdu.data.assign(command.begin() + 5, command.begin() + 5 + static_cast<ptrdiff_t>(lc));
        if (rest == 2 + lc) {
            apdu.le = command.back();
        }
        return apdu;
    }
};

FinancialCard::FinancialCard(FinancialCardProfile profile)
    : profile_(std::move(profile))
{
}

FinancialCard::~FinancialCard()
{
    Wipe(profile_.pinBlock.data(), profile_.pinBlock.size());
    Wipe(profile_.tacKey.data(), profile_.tacKey.size());
}

void FinancialCard::ClearVolatileState()
{
    applicationSelected_ = false;
    currentFile_.reset();
    pinVerified_ = false;
    pinVerifiedThisSession_ = false;
    Wipe(pendingResponse_.data(), pendingResponse_.size());
    pendingResponse_.clear();
}

std::optional<Bytes> FinancialCard::ForcedAnswerFor(const Bytes& command)
{
    for (ForcedAnswer& forced : profile_.forced) {
        if (forced.times == 0 || command.size() < forced.prefix.size()
            || !std::equal(forced.prefix.begin(), forced.prefix.end(), command.begin())
            || (forced.file && forced.file != currentFile_)) {
            continue;
        }
        if (forced.times > 0) {
            --forced.times;
        }
        return forced.answer;
    }
    return std::nullopt;
}

Bytes FinancialCard::Transmit(const Bytes& command)
{
    return Protocol() == CardProtocol::T0 ? TransmitT0(command) : Answer(command);
}

// A T=0 card never sees an Le after command data (the reader sends P3 = Lc), so an answer with
// data is announced as 61 La and fetched with 00 C0 00 00 La; the two-byte extended Le does not
// exist there.
Bytes FinancialCard::TransmitT0(const Bytes& command)
{
    Bytes pending = std::move(pendingResponse_);
    pendingResponse_.clear();
    WipeOnExit wipePending(pending);
    if (command.size() == 5 && command[0] == 0x00 && command[1] == 0xC0 && command[2] == 0x00
        && command[3] == 0x00) {
        if (pending.empty()) {
            return Sw(0x69, 0x85);
        }
        const size_t le = command[4] == 0 ? 256 : command[4];
        if (le != pending.size()) {
            pendingResponse_ = pending;
            return Sw(0x6C, static_cast<uint8_t>(pending.size()));
        }
        return WithSuccess(pending);
    }
    if (command.size() == 7 && command[4] == 0x00) {
        return Sw(0x67, 0x00);
    }
    Bytes answer = Answer(command);
    const bool hasData = command.size() > 5 && command[4] != 0;
    if (hasData && answer.size() > 2 && answer[answer.size() - 2] == 0x90
        && answer.back() == 0x00) {
        pendingResponse_.assign(answer.begin(), answer.end() - 2);
        Wipe(answer.data(), answer.size());
        return Sw(0x61, static_cast<uint8_t>(pendingResponse_.size()));
    }
    return answer;
}

Bytes FinancialCard::Answer(const Bytes& command)
{
    if (auto forced = ForcedAnswerFor(command)) {
        return *forced;
    }
    const auto apdu = Apdu::Parse(command);
    if (!apdu) {
        return Sw(0x67, 0x00);
    }
    if (apdu->cla != 0x00 && !(apdu->cla == 0x80 && apdu->ins == 0x20)) {
        return Sw(0x6E, 0x00);
    }
    switch (apdu->ins) {
    case 0xA4:
        return Select(*apdu);
    case 0xB0:
        return ReadBinary(*apdu);
    case 0xB2:
        return ReadRecord(*apdu);
    case 0x20:
        return Verify(*apdu);
    case 0xD2:
        return WriteRecord(*apdu);
    case 0xE2:
        return SignTransaction(*apdu);
    default:
        return Sw(0x6D, 0x00);
    }
}

Bytes FinancialCard::Select(const Apdu& apdu)
{
    if (apdu.p1 == 0x04) {
        if (apdu.data != kApplicationId) {
            return Sw(0x6A, 0x82);
        }
        applicationSelected_ = true;
        currentFile_.reset();
        pinVerified_ = false; // the security state belongs to this selection
        return Sw(0x90, 0x00);
    }
    if (apdu.p1 != 0x02) {
        return Sw(0x6A, 0x86);
    }
    if (!applicationSelected_ || apdu.data.size() != 2) {
        return Sw(0x6A, 0x82);
    }
    const auto file = static_cast<uint16_t>(apdu.data[0] << 8 | apdu.data[1]);
    if (file != kAccountFile && file != kSecondAccountFile && file != kPinFile) {
        return Sw(0x6A, 0x82);
    }
    currentFile_ = file;
    return Sw(0x90, 0x00);
}

Bytes FinancialCard::ReadBinary(const Apdu& apdu) const
{
    if (!applicationSelected_) {
        return Sw(0x69, 0x86);
    }
    return WithSuccess(Limited(profile_.serial, apdu.le));
}

Bytes FinancialCard::ReadRecord(const Apdu& apdu) const
{
    if (currentFile_ != kAccountFile && currentFile_ != kSecondAccountFile) {
        return Sw(0x69, 0x86);
    }
    const auto& records = currentFile_ == kAccountFile ? profile_.ef1001 : profile_.ef1002;
    const size_t first = apdu.p1;
    if (first == 0 || first > records.size() || !records[first - 1]) {
        return Sw(0x6A, 0x83);
    }
    if (apdu.p2 == 0x04) {
        return WithSuccess(Limited(*records[first - 1], apdu.le));
    }
    if (apdu.p2 != 0x05) {
        return Sw(0x6A, 0x86);
    }
    // Record P1 and every later one, one after the other.
    Bytes all;
    for (size_t i = first - 1; i < records.size(); ++i) {
        if (records[i]) {
            all.insert(all.end(), records[i]->begin(), records[i]->end());
        }
    }
    return WithSuccess(Limited(all, apdu.le));
}

Bytes FinancialCard::Verify(const Apdu& apdu)
{
    if (!applicationSelected_) {
        return Sw(0x69, 0x85);
    }
    if (apdu.p1 != 0x00 || apdu.p2 != 0x10) {
        return Sw(0x6A, 0x86);
    }
    if (apdu.data.size() != kPinBlockSize) {
        return Sw(0x67, 0x00);
    }
    if (profile_.triesLeft <= 0) {
        return Sw(0x69, 0x83);
    }
    if (apdu.data == profile_.pinBlock) {
        profile_.triesLeft = profile_.pinTries;
        pinVerified_ = true;
        pinVerifiedThisSession_ = true;
        return Sw(0x90, 0x00);
    }
    pinVerified_ = false;
    pinVerifiedThisSession_ = false;
    if (--profile_.triesLeft == 0) {
        return Sw(0x69, 0x83);
    }
    return Sw(0x63, static_cast<uint8_t>(0xC0 | std::min(profile_.triesLeft, 15)));
}

Bytes FinancialCard::WriteRecord(const Apdu& apdu)
{
    if (currentFile_ != kPinFile) {
        return Sw(0x69, 0x86);
    }
    if (apdu.p1 != 0x01 || apdu.p2 != 0x04) {
        return Sw(0x6A, 0x83);
    }
    if (!pinVerified_) {
        return Sw(0x69, 0x82);
    }
    if (!IsValidPinBlock(apdu.data)) {
        return Sw(0x6A, 0x80);
    }
    Wipe(profile_.pinBlock.data(), profile_.pinBlock.size());
    profile_.pinBlock = apdu.data;
    return Sw(0x90, 0x00);
}

// Answer: byte 0 the data length, bytes 1 to 8 the SNUM, bytes 9 and 10 zero, bytes 11 to 18 the
// TAC over SNUM and data.
Bytes FinancialCard::SignTransaction(const Apdu& apdu)
{
    if (!applicationSelected_) {
        return Sw(0x69, 0x85);
    }
    if (apdu.data.empty()) {
        return Sw(0x67, 0x00);
    }
    if (profile_.transactionNeedsPin && !pinVerifiedThisSession_) {
        return Sw(0x69, 0x82);
    }
    std::string snumText = std::to_string(profile_.nextSnum % kSnumLimit);
    snumText.insert(0, 8 - snumText.size(), '0');
    Bytes message(snumText.begin(), snumText.end());
    message.insert(message.end(), apdu.data.begin(), apdu.data.end());
    const auto tac = TransactionMac(profile_.tacKey, message);
    if (!tac) {
        return Sw(0x6F, 0x00);
    }
    profile_.nextSnum = (profile_.nextSnum + 1) % kSnumLimit;
    Bytes answer(1 + snumText.size() + 2 + tac->size(), 0x00);
    answer[0] = static_cast<uint8_t>(apdu.data.size());
    std::copy(snumText.begin(), snumText.end(), answer.begin() + 1);
    std::copy(tac->begin(), tac->end(), answer.end() - static_cast<ptrdiff_t>(tac->size()));
    return WithSuccess(std::move(answer));
}

} // namespace velkor::sim
