#include "pcsc/apdu_transmit.h"

#include <algorithm>
#include <cstring>

#include "pcsc/status_words.h"
#include "session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

constexpr size_t kMaxCommandData = 255;
constexpr int32_t kMalformed = -1;

// A command under construction; its capacity bounds every append.
class CommandBuffer {
public:
    explicit CommandBuffer(const ApduHeader& header)
    {
        Append(header.cla);
        Append(header.ins);
        Append(header.p1);
        Append(header.p2);
    }
    CommandBuffer(const CommandBuffer&) = delete;
    CommandBuffer& operator=(const CommandBuffer&) = delete;
    ~CommandBuffer() { Wipe(bytes_.data(), bytes_.size()); }

    void Append(uint8_t byte)
    {
        if (length_ < bytes_.size()) {
            bytes_[length_++] = byte;
        }
    }
    void AppendData(std::span<const uint8_t> data)
    {
        if (!data.empty()) {
            Append(static_cast<uint8_t>(data.size()));
            for (const uint8_t byte : data) {
                Append(byte);
            }
        }
    }
    const uint8_t* Bytes() const { return bytes_.data(); }
    DWORD Length() const { return static_cast<DWORD>(length_); }

private:
    std::array<uint8_t, kCommandCapacity> bytes_ {};
    size_t length_ = 0;
};

// The card's answer ended by its status word.
ApduResult CardAnswer(const uint8_t* answer, size_t length)
{
    return { 0, answer[length - 2] * 256 + answer[length - 1] };
}

ApduResult Failure(int32_t pcscResult)
{
    return { pcscResult, 0 };
}

// Fetches an answer the card announced with 61xx. Copies only the bytes that arrived, never more
// than announced, and reports that count in `*le`. The exchange counts as 9000 once the answer
// was fetched, whatever status word the GET RESPONSE carries.
ApduResult FetchResponse(
    const ReaderSlot& slot, uint8_t announced, uint8_t* le, ApduResponse* response)
{
    CommandBuffer command(ApduHeader { 0x00, 0xC0, 0x00, 0x00 });
    command.Append(le != nullptr ? std::max(*le, announced) : announced);
    if (le != nullptr) {
        *le = announced;
    }
    std::array<uint8_t, kGetResponseAnswerCapacity> answer {};
    DWORD length = answer.size();
    const int32_t result = Api().Transmit(
        slot.card, slot.protocol, command.Bytes(), command.Length(), answer.data(), length);
    if (result != 0) {
        if (le != nullptr) {
            *le = 0;
        }
        Wipe(answer.data(), answer.size());
        return Failure(result);
    }
    const size_t received = length >= 2 ? length - 2 : 0;
    const size_t expected = announced == 0 ? 256 : announced;
    const size_t copied = std::min(received, expected);
    if (response != nullptr) {
        std::memcpy(response->bytes.data(), answer.data(), copied);
        response->length = copied;
    }
    if (le != nullptr) {
        *le = static_cast<uint8_t>(copied);
    }
    Wipe(answer.data(), answer.size());
    return { 0, sw::kSuccess };
}

// One command's exchange; `le` and `response` are optional.
ApduResult Exchange(CardSlot cardSlot, const ApduHeader& header, std::span<const uint8_t> data,
    uint8_t* le, ApduResponse* response)
{
    if (cardSlot.session == nullptr || cardSlot.session->Bind() != 0) {
        return Failure(kUnavailable);
    }
    if (!IsValidSlot(cardSlot.index) || data.size() > kMaxCommandData) {
        return Failure(kMalformed);
    }
    if (response != nullptr) {
        response->length = 0;
    }
    const ReaderSlot slot = cardSlot.session->SlotAt(cardSlot.index);
    uint8_t leValue = le != nullptr ? *le : 0;

    for (int attempt = 0;; ++attempt) {
        CommandBuffer command(header);
        command.AppendData(data);
        const bool appendLe = le != nullptr
            && ((slot.protocol == Protocol::T1 && attempt == 0)
                || (slot.protocol == Protocol::T0 && data.empty()));
        if (appendLe) {
            command.Append(leValue);
        }

        std::array<uint8_t, kAnswerCapacity> answer {};
        DWORD length = answer.size();
        const int32_t result = Api().Transmit(
            slot.card, slot.protocol, command.Bytes(), command.Length(), answer.data(), length);
        if (result != 0) {
            return Failure(result);
        }
        if (length < 2) {
            return Failure(kMalformed); // no status word
        }
        const uint8_t sw1 = answer[length - 2];
        const uint8_t sw2 = answer[length - 1];

        if (length == 2) {
            if (sw1 == sw::kSw1WrongLe && response != nullptr && attempt < kMaxWrongLengthResends) {
                leValue = sw2;
                if (le != nullptr) {
                    *le = sw2;
                }
                continue;
            }
            if (sw1 == sw::kSw1BytesAvailable) {
                return FetchResponse(slot, sw2, le, response);
            }
            return CardAnswer(answer.data(), length);
        }

        // Data followed by a status word.
        if (le == nullptr) {
            Wipe(answer.data(), answer.size());
            return Failure(kMalformed);
        }
        const size_t dataLength = length - 2;
        *le = static_cast<uint8_t>(dataLength);
        if (response != nullptr) {
            std::memcpy(response->bytes.data(), answer.data(), dataLength);
            response->length = dataLength;
        }
        const ApduResult status = CardAnswer(answer.data(), length);
        Wipe(answer.data(), answer.size());
        return status;
    }
}

} // namespace

ApduResult TransmitApdu(CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data)
{
    return Exchange(slot, header, data, nullptr, nullptr);
}

ApduResult TransmitApdu(
    CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data, uint8_t& le)
{
    return Exchange(slot, header, data, &le, nullptr);
}

ApduResult TransmitApdu(
    CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data, ApduResponse& response)
{
    return Exchange(slot, header, data, nullptr, &response);
}

ApduResult TransmitApdu(CardSlot slot, const ApduHeader& header, std::span<const uint8_t> data,
    uint8_t& le, ApduResponse& response)
{
    return Exchange(slot, header, data, &le, &response);
}

ApduResult TransmitApduExtended(CardSlot cardSlot, const ApduHeader& header,
    std::span<const uint8_t> data, uint32_t& expectedLength, ApduExtendedAnswer& answer)
{
    if (cardSlot.session == nullptr || cardSlot.session->Bind() != 0) {
        return Failure(kUnavailable);
    }
    answer.length = 0;
    if (!IsValidSlot(cardSlot.index) || data.size() > kMaxCommandData) {
        return Failure(kMalformed);
    }
    const ReaderSlot slot = cardSlot.session->SlotAt(cardSlot.index);
    CommandBuffer command(header);
    command.AppendData(data);
    if (slot.protocol == Protocol::T1 || (slot.protocol == Protocol::T0 && data.empty())) {
        command.Append(0x00);
        command.Append(static_cast<uint8_t>((expectedLength >> 8) & 0xFF));
        command.Append(static_cast<uint8_t>(expectedLength & 0xFF));
    }
    DWORD length = answer.bytes.size();
    const int32_t result = Api().Transmit(
        slot.card, slot.protocol, command.Bytes(), command.Length(), answer.bytes.data(), length);
    if (result != 0) {
        return Failure(result);
    }
    answer.length = length;
    if (length < 2) {
        return Failure(kMalformed);
    }
    expectedLength = length >= 3 ? static_cast<uint32_t>(length - 2) : 0;
    return CardAnswer(answer.bytes.data(), length);
}

} // namespace velkor::pcsc
