#include "common/wait.h"
#include "session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

constexpr int kShortWaitMs = 10;
constexpr int kWaitMs = 20;

// The answers after which the card may still be reached through an earlier connection: held by
// another connection, pulled, or silent.
bool IsRecoverableByStatus(int32_t result)
{
    return result == kSharingViolation || result == kRemovedCard || result == kUnresponsiveCard;
}

// One connection to the card in a named reader, step by step. Each step works on the chosen slot
// and returns the result the next step starts from.
class SlotConnection {
public:
    SlotConnection(SessionState& session, const Text& readerName, std::vector<uint8_t>& atr)
        : session_(session)
        , readerName_(readerName)
        , atr_(atr)
    {
    }

    int32_t Run(DWORD shareMode, int32_t& slotOut)
    {
        atr_.clear();
        if (const int32_t context = EnsureContext(); context != 0) {
            return context;
        }
        ChooseSlot();
        int32_t result = Connect(shareMode);
        if (result == kRemovedCard || result == kUnresponsiveCard) {
            result = RetryUnderNewContext(result, shareMode);
        }
        if (result != 0 && !IsRecoverableByStatus(result)) {
            result = ResetEarlierConnection(result);
        } else if (IsRecoverableByStatus(result)) {
            if (slot_->card != 0) {
                if (ConfirmHeldCard()) {
                    slot_->connected = true;
                    slotOut = slotIndex_;
                    return 0;
                }
                result = ConnectSharedUnderNewContext();
                if (result != 0) {
                    return result;
                }
            } else {
                result = ConnectListedNameShared();
            }
        }
        if (const int32_t status = ReadAtrOfSlot(); status != 0) {
            return status;
        }
        return Report(result, slotOut);
    }

private:
    // A context, with the readers listed into the slot names (a listing failure only leaves the
    // names empty).
    int32_t EnsureContext()
    {
        if (session_.context.Held()) {
            return 0;
        }
        ForgetSlotConnections(session_);
        session_.currentCard = 0;
        const int32_t result = EstablishContext(session_);
        if (result == 0) {
            ListReadersIntoSlots(session_);
        }
        return result;
    }

    // The slot listed under the name, else the same after a fresh listing, else slot 0.
    void ChooseSlot()
    {
        slotIndex_ = FindSlot(session_, readerName_);
        if (slotIndex_ < 0) {
            ListReadersIntoSlots(session_);
            slotIndex_ = FindSlot(session_, readerName_);
        }
        if (slotIndex_ < 0) {
            slotIndex_ = 0;
        }
        slot_ = &session_.readerSlots[static_cast<size_t>(slotIndex_)];
        name_ = TextToUtf8(readerName_);
    }

    // Connects to the name; on success the new handle becomes the slot's and the current one.
    int32_t Connect(DWORD shareMode)
    {
        CardHandle card;
        const int32_t result = OpenCard(session_, name_, shareMode, card);
        if (result == 0) {
            slot_->protocol = ProtocolFromActive(session_.activeProtocol);
            session_.currentCard = card;
            slot_->card = std::move(card);
        }
        return result;
    }

    // Releases the context and establishes a new one between the given waits. The old context's
    // handles are gone with it.
    void ReestablishContext(int waitBeforeMs)
    {
        WaitMilliseconds(waitBeforeMs);
        ReleaseContext(session_);
        WaitMilliseconds(kWaitMs);
        EstablishContext(session_);
    }

    // A removed or unresponsive card: one more attempt under a new context.
    int32_t RetryUnderNewContext(int32_t result, DWORD shareMode)
    {
        ReestablishContext(result == kRemovedCard ? kWaitMs : kShortWaitMs);
        return Connect(shareMode);
    }

    // Any other error: a reset of the slot's earlier connection decides.
    int32_t ResetEarlierConnection(int32_t result)
    {
        if (slot_->card == 0) {
            return result;
        }
        WaitMilliseconds(kWaitMs);
        return ResetCard(session_, slot_->card);
    }

    // The card is held, pulled or silent but the slot has an earlier connection: whether that
    // one, or the current one when it reaches this reader, still reaches the card (with its
    // ATR). The current handle is the last connection made, which may be another reader's: its
    // card must never be reported as the one asked for.
    bool ConfirmHeldCard()
    {
        slot_->protocol = ProtocolFromActive(session_.activeProtocol);
        if (ReadAtr(slot_->card, atr_) == 0) {
            session_.currentCard = slot_->card;
            return true;
        }
        if (session_.currentCard == 0) {
            return false;
        }
        std::string reader;
        if (ReadAtr(session_.currentCard, atr_, &reader) != 0) {
            return false;
        }
        if (reader != name_) {
            atr_.clear();
            return false;
        }
        // The slot's commands go through the current handle. The slot's dead handle is let go,
        // so that it holds no claim on the reader.
        slot_->card.Disconnect(SCARD_LEAVE_CARD);
        AdoptCard(session_, *slot_, session_.currentCard);
        return true;
    }

    // Neither earlier handle reaches the card: a fresh shared connection under a new context.
    int32_t ConnectSharedUnderNewContext()
    {
        ReestablishContext(kShortWaitMs);
        return Connect(SCARD_SHARE_SHARED);
    }

    // No earlier connection: a shared one to the reader the slot lists.
    int32_t ConnectListedNameShared()
    {
        CardHandle card;
        const int32_t result
            = OpenCard(session_, TextToUtf8(slot_->name), SCARD_SHARE_SHARED, card);
        if (result == 0) {
            slot_->card = std::move(card);
        }
        return result;
    }

    // Reads the ATR through the slot's handle, which becomes the current one. No transaction is
    // begun on a connection this call did not make directly: pcscd makes every later connection
    // to the reader wait for as long as any handle holds one, so the next probe or connection of
    // our own would never return.
    int32_t ReadAtrOfSlot()
    {
        slot_->protocol = ProtocolFromActive(session_.activeProtocol);
        if (slot_->card == 0) {
            return 0;
        }
        const int32_t status = ReadAtr(slot_->card, atr_);
        if (status == 0) {
            session_.currentCard = slot_->card;
        }
        return status;
    }

    // The slot is reported on success and on a sharing violation.
    int32_t Report(int32_t result, int32_t& slotOut)
    {
        if (result == 0) {
            slot_->connected = true;
        }
        if (result == 0 || result == kSharingViolation) {
            slotOut = slotIndex_;
        }
        return result;
    }

    SessionState& session_;
    const Text& readerName_;
    std::vector<uint8_t>& atr_;
    int32_t slotIndex_ = 0;
    SessionSlot* slot_ = nullptr;
    std::string name_;
};

} // namespace

int32_t ReaderSession::ConnectSlot(
    const Text& readerName, int32_t& slotOut, std::vector<uint8_t>& atr, int32_t shareFlag)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    return SlotConnection(*state_, readerName, atr).Run(ShareModeOf(shareFlag), slotOut);
}

} // namespace velkor::pcsc
