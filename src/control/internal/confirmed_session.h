#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/status_codes.h"
#include "common/text.h"
#include "control/card_engine.h"
#include "pcsc/reader_session.h"

// What the operations share that have the customer confirm in the dialog and connect to the
// card by themselves: the dialog's card probe, how its answer is reported, and the end of the
// card session on every way out.
namespace velkor {

// The dialog's result as the record write, the transaction requests and the transfer procedures
// report it: 101 and 102 (the page's description does not match the transaction) have codes of
// their own, every other result but 1 is not confirmed.
inline int32_t NotConfirmedStatus(int result)
{
    switch (result) {
    case 101:
        return status::kConfirmationFirstCheckFailed;
    case 102:
        return status::kConfirmationLaterCheckFailed;
    default:
        return status::kNotConfirmed;
    }
}

// Asks the reader named `readerName` whether a card is in it, by connecting to it exclusively:
// 0 when it is, the no-card or removed-card code when it is not. The dialog calls this on every
// tick while it waits for the card to leave and to come back.
inline std::function<int32_t()> CardProbe(pcsc::ReaderSession& session, Text readerName)
{
    return [&session, readerName = std::move(readerName)] {
        int32_t slot = 0;
        std::vector<uint8_t> atr;
        return session.ConnectSlot(readerName, slot, atr, pcsc::kShareExclusive);
    };
}

// Ends the card session (disconnect with reset, context released) on every way out, once the
// connection was tried. `slot` is read at the end, so it names the last connection made.
class DisconnectOnExit {
public:
    DisconnectOnExit(const CardEngine& engine, const int32_t& slot)
        : engine_(engine)
        , slot_(slot)
    {
    }
    DisconnectOnExit(const DisconnectOnExit&) = delete;
    DisconnectOnExit& operator=(const DisconnectOnExit&) = delete;
    ~DisconnectOnExit() { engine_.DisconnectCard(slot_); }

private:
    const CardEngine& engine_;
    const int32_t& slot_;
};

} // namespace velkor
