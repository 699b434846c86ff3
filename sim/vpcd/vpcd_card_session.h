#pragma once

#include <optional>

#include "virtual_card.h"

// What a card answers to the messages of the vpcd reader driver. One-byte messages control the
// card: 00 power off, 01 power on, 02 reset (none of them answered), 04 get ATR (answered with
// the ATR). Longer messages are command APDUs, answered with the response APDU.
namespace velkor::sim {

class VpcdCardSession {
public:
    explicit VpcdCardSession(VirtualCard& card)
        : card_(card)
    {
    }

    // The reply to send back, or nothing.
    std::optional<Bytes> Handle(const Bytes& message);

private:
    VirtualCard& card_;
};

} // namespace velkor::sim
