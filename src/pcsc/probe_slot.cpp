#include "common/wait.h"
#include "pcsc/session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

constexpr int kWaitMs = 20;

// pcsc-lite answers a connection to an empty reader with "no smart card" where other PC/SC
// services say "card removed". Both mean the card was taken out, so neither may go on to reset
// an earlier handle, which may belong to a context released since and would then answer
// "invalid handle" in place of the pulled card.
bool IsRecoverableByStatus(int32_t result)
{
    return result == kSharingViolation || result == kRemovedCard || result == kNoSmartcard
        || result == kUnresponsiveCard;
}

} // namespace

int32_t ProbeSlot(std::vector<uint8_t>& atr, int32_t slotIndex, int32_t shareFlag)
{
    if (LoadPcscApi() != 0) {
        return kUnavailable;
    }
    atr.clear();
    if (!IsValidSlot(slotIndex)) {
        return kUnavailable;
    }
    SessionState& session = Session();
    // 1. Nothing to probe without a context.
    if (!session.established) {
        return kNoContext;
    }
    ReaderSlot& slot = session.slots[static_cast<size_t>(slotIndex)];
    const std::string name = TextToUtf8(slot.name);

    // 2. A new connection becomes the current one; the earlier current handle is kept aside.
    const SCARDHANDLE previous = session.currentCard;
    int32_t result = Api().Connect(session.context, name.c_str(), ShareModeOf(shareFlag),
        session.currentCard, session.activeProtocol);

    // 3. Any other error: reset an earlier connection, which reports whether the card is there.
    if (result != 0 && !IsRecoverableByStatus(result)) {
        WaitMilliseconds(kWaitMs);
        if (previous != 0) {
            result = Api().Reconnect(
                previous, SCARD_SHARE_EXCLUSIVE, SCARD_RESET_CARD, session.activeProtocol);
            if (result == 0) {
                session.currentCard = previous;
            }
        } else if (slot.card != 0) {
            result = Api().Reconnect(
                slot.card, SCARD_SHARE_EXCLUSIVE, SCARD_RESET_CARD, session.activeProtocol);
        }
    }

    // 4. Give the slot a handle: the new one, else the earlier one, else (when another connection
    // holds the card) a shared one. It begins no transaction: pcscd would make every later
    // connection to the reader wait for it, ours included, without end.
    if (result == 0 || IsRecoverableByStatus(result)) {
        if (session.currentCard != 0) {
            slot.card = session.currentCard;
        } else if (previous != 0) {
            slot.card = previous;
        } else if (result == kSharingViolation) {
            result = Api().Connect(session.context, name.c_str(), SCARD_SHARE_SHARED,
                session.currentCard, session.activeProtocol);
            if (result == 0) {
                slot.card = session.currentCard;
            }
        }
    }

    // 5. A failure ends the probe.
    if (result != 0 && result != kSharingViolation) {
        slot.connected = false;
        return result;
    }

    // 6. The card is there: read its ATR through the first handle that is set.
    slot.connected = true;
    slot.protocol = ProtocolFromActive(session.activeProtocol);
    SCARDHANDLE card = session.currentCard;
    if (card == 0) {
        card = slot.card;
    }
    if (card == 0) {
        card = previous;
    }
    if (card == 0) {
        return result;
    }
    const int32_t status = ReadAtr(card, atr);
    return status;
}

} // namespace velkor::pcsc
