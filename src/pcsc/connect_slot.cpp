#include "common/wait.h"
#include "pcsc/session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

constexpr int kShortWaitMs = 10;
constexpr int kWaitMs = 20;

bool IsRecoverableByStatus(int32_t result)
{
    return result == kSharingViolation || result == kRemovedCard || result == kUnresponsiveCard;
}

// Connects to `name` and, on success, makes the new handle the slot's and the current one.
int32_t ConnectInto(
    SessionState& session, ReaderSlot& slot, const std::string& name, DWORD shareMode)
{
    SCARDHANDLE card = 0;
    const int32_t result = OpenCard(session, name, shareMode, card);
    if (result == 0) {
        slot.protocol = ProtocolFromActive(session.activeProtocol);
        session.currentCard = card;
        slot.card = card;
    }
    return result;
}

// Whether the current handle still reaches the card in the reader `name`, reading its ATR. The
// current handle is the last connection made, which may be another reader's: its card must never
// be reported as the one asked for.
bool CurrentHandleReaches(
    const SessionState& session, const std::string& name, std::vector<uint8_t>& atr)
{
    if (session.currentCard == 0) {
        return false;
    }
    std::string reader;
    if (ReadAtr(session.currentCard, atr, &reader) != 0) {
        return false;
    }
    if (reader != name) {
        atr.clear();
        return false;
    }
    return true;
}

// Releases the context and establishes a new one between the given waits.
void ReestablishContext(SessionState& session, int waitBeforeMs)
{
    WaitMilliseconds(waitBeforeMs);
    ReleaseContext(session);
    WaitMilliseconds(kWaitMs);
    EstablishContext(session);
}

} // namespace

int32_t ReaderSession::ConnectSlot(
    const Text& readerName, int32_t& slotOut, std::vector<uint8_t>& atr, int32_t shareFlag)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    SessionState& session = state_;
    atr.clear();

    // 1. A context, with the readers listed into the slot names.
    if (!session.established) {
        ForgetSlotConnections(session);
        session.currentCard = 0;
        const int32_t result = EstablishContext(session);
        if (result != 0) {
            return result;
        }
        ListReadersIntoSlots(session); // a failure only leaves the names empty
    }

    // 2. The share mode.
    const DWORD shareMode = ShareModeOf(shareFlag);

    // 3. The slot: the listed name, else a fresh listing, else slot 0.
    int32_t slotIndex = FindSlot(session, readerName);
    if (slotIndex < 0) {
        ListReadersIntoSlots(session);
        slotIndex = FindSlot(session, readerName);
    }
    if (slotIndex < 0) {
        slotIndex = 0;
    }
    ReaderSlot& slot = session.readerSlots[static_cast<size_t>(slotIndex)];
    const std::string name = TextToUtf8(readerName);

    // 4. Connect.
    int32_t result = ConnectInto(session, slot, name, shareMode);

    // 5. A removed or unresponsive card: one more attempt under a new context.
    if (result == kRemovedCard || result == kUnresponsiveCard) {
        ReestablishContext(session, result == kRemovedCard ? kWaitMs : kShortWaitMs);
        result = ConnectInto(session, slot, name, shareMode);
        if (result != 0) {
            slot.card = 0;
        }
    }

    bool confirmed = false; // set when step 7 confirmed the card through an earlier handle
    if (result != 0 && !IsRecoverableByStatus(result)) {
        // 6. Any other error: reset the slot's earlier connection.
        if (slot.card != 0) {
            WaitMilliseconds(kWaitMs);
            result = ResetCard(session, slot.card);
        }
    } else if (IsRecoverableByStatus(result)) {
        // 7. The card is held, pulled or silent: confirm it through the earlier handles, else
        // connect afresh in shared mode.
        if (slot.card != 0) {
            slot.protocol = ProtocolFromActive(session.activeProtocol);
            if (ReadAtr(slot.card, atr) == 0) {
                session.currentCard = slot.card;
                confirmed = true;
            } else if (CurrentHandleReaches(session, name, atr)) {
                // The current handle reaches this reader's card: the slot's commands go through
                // it. The slot's dead handle is let go, so that it holds no claim on the reader.
                CloseCard(session, slot.card, SCARD_LEAVE_CARD);
                slot.card = session.currentCard;
                confirmed = true;
            } else {
                ReestablishContext(session, kShortWaitMs);
                result = ConnectInto(session, slot, name, SCARD_SHARE_SHARED);
                if (result != 0) {
                    slot.card = 0;
                    return result;
                }
            }
            if (confirmed) {
                slot.connected = true;
                slotOut = slotIndex;
                return 0;
            }
        } else {
            SCARDHANDLE card = 0;
            result = OpenCard(session, TextToUtf8(slot.name), SCARD_SHARE_SHARED, card);
            if (result == 0) {
                slot.card = card;
            }
        }
    }

    // 8. Read the ATR through the slot's handle. No transaction is begun on a connection this call
    // did not make directly: pcscd makes every later connection to the reader wait for as long as
    // any handle holds one, so the next probe or connection of our own would never return.
    slot.protocol = ProtocolFromActive(session.activeProtocol);
    if (slot.card != 0) {
        const int32_t status = ReadAtr(slot.card, atr);
        if (status != 0) {
            return status;
        }
        session.currentCard = slot.card;
    }

    // 9. Report the slot.
    if (result == 0) {
        slot.connected = true;
    }
    if (result == 0 || result == kSharingViolation) {
        slotOut = slotIndex;
    }
    return result;
}

} // namespace velkor::pcsc
