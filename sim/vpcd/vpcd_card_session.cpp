#include "vpcd_card_session.h"

namespace velkor::sim {

namespace {

constexpr uint8_t kPowerOff = 0x00;
constexpr uint8_t kPowerOn = 0x01;
constexpr uint8_t kReset = 0x02;
constexpr uint8_t kGetAtr = 0x04;

} // namespace

std::optional<Bytes> VpcdCardSession::Handle(const Bytes& message)
{
    if (message.size() == 1) {
        switch (message[0]) {
        case kPowerOff:
            card_.PowerOff();
            return std::nullopt;
        case kPowerOn:
            card_.PowerOn();
            return std::nullopt;
        case kReset:
            card_.Reset();
            return std::nullopt;
        case kGetAtr:
            return card_.Atr();
        default:
            return std::nullopt; // unknown control byte: vpcd expects no answer
        }
    }
    if (message.empty()) {
        return std::nullopt;
    }
    return card_.Transmit(message);
}

} // namespace velkor::sim
