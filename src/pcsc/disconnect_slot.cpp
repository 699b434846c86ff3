#include "common/wait.h"
#include "session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

// Readers need time to settle after a card is disconnected before the next connection.
constexpr int kAfterDisconnectWaitMs = 200;

} // namespace

int32_t ReaderSession::DisconnectSlot(int32_t slotIndex, int32_t dispositionFlag)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    if (!IsValidSlot(slotIndex)) {
        return kUnavailable;
    }
    SessionState& session = *state_;
    SessionSlot& slot = session.readerSlots[static_cast<size_t>(slotIndex)];
    const SCARDHANDLE card = slot.card != 0 ? slot.card : session.currentCard;
    int32_t result = 0;
    if (card != 0) {
        result = DisconnectCard(session, card, DispositionOf(dispositionFlag));
    }
    session.currentCard = 0;
    slot.connected = false;
    WaitMilliseconds(kAfterDisconnectWaitMs);
    return result;
}

int32_t ReaderSession::DisconnectReaderByName(const Text& readerName, int32_t dispositionFlag)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    SessionState& session = *state_;
    int32_t slotIndex = FindSlot(session, readerName);
    if (slotIndex < 0) {
        slotIndex = 0;
    }
    SessionSlot& slot = session.readerSlots[static_cast<size_t>(slotIndex)];
    int32_t result = 0;
    if (slot.card == 0) {
        ReleaseReaderContext();
    } else {
        result = slot.card.Disconnect(DispositionOf(dispositionFlag));
    }
    slot = SessionSlot {};
    session.currentCard = 0;
    WaitMilliseconds(kAfterDisconnectWaitMs);
    return result;
}

} // namespace velkor::pcsc
