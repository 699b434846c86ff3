#include "common/wait.h"
#include "session_state.h"

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

int32_t ReaderSession::ProbeSlot(std::vector<uint8_t>& atr, int32_t slotIndex, int32_t shareFlag)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    atr.clear();
    if (!IsValidSlot(slotIndex)) {
        return kUnavailable;
    }
    SessionState& session = *state_;
    // 1. Nothing to probe without a context.
    if (!session.context.Held()) {
        return kNoContext;
    }
    SessionSlot& slot = session.readerSlots[static_cast<size_t>(slotIndex)];
    const std::string name = TextToUtf8(slot.name);

    // 2. A new connection becomes the current one; the earlier current handle is kept aside.
    const SCARDHANDLE previous = session.currentCard;
    CardHandle fresh;
    int32_t result = OpenCard(session, name, ShareModeOf(shareFlag), fresh);
    session.currentCard = fresh;

    // 3. Any other error: reset an earlier connection, which reports whether the card is there.
    if (result != 0 && !IsRecoverableByStatus(result)) {
        WaitMilliseconds(kWaitMs);
        if (previous != 0) {
            result = ResetCard(session, previous);
            if (result == 0) {
                session.currentCard = previous;
            }
        } else if (slot.card != 0) {
            result = ResetCard(session, slot.card);
        }
    }

    // 4. Give the slot a handle: the new one, else the earlier one, else (when another connection
    // holds the card) a shared one. It begins no transaction: pcscd would make every later
    // connection to the reader wait for it, ours included, without end.
    if (result == 0 || IsRecoverableByStatus(result)) {
        if (fresh != 0) {
            slot.card = std::move(fresh);
        } else if (session.currentCard != 0 || previous != 0) {
            AdoptCard(session, slot, session.currentCard != 0 ? session.currentCard : previous);
        } else if (result == kSharingViolation) {
            result = OpenCard(session, name, SCARD_SHARE_SHARED, fresh);
            session.currentCard = fresh;
            if (result == 0) {
                slot.card = std::move(fresh);
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
