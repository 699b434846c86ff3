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

// One probe of the card in a slot's reader, step by step. Each step returns the result the next
// one starts from.
class SlotProbe {
public:
    SlotProbe(SessionState& session, SessionSlot& slot, std::vector<uint8_t>& atr)
        : session_(session)
        , slot_(slot)
        , atr_(atr)
        , name_(TextToUtf8(slot.name))
        , previous_(session.currentCard)
    {
    }

    int32_t Run(DWORD shareMode)
    {
        int32_t result = ConnectAfresh(shareMode);
        if (result != 0 && !IsRecoverableByStatus(result)) {
            result = ResetEarlierConnection(result);
        }
        if (result == 0 || IsRecoverableByStatus(result)) {
            result = GiveTheSlotAHandle(result);
        }
        if (result != 0 && result != kSharingViolation) {
            slot_.connected = false;
            return result;
        }
        return ReadAtrOfTheCard(result);
    }

private:
    // A new connection becomes the current one; the earlier current handle is kept aside.
    int32_t ConnectAfresh(DWORD shareMode)
    {
        const int32_t result = OpenCard(session_, name_, shareMode, fresh_);
        session_.currentCard = fresh_;
        return result;
    }

    // Any other error: a reset of an earlier connection reports whether the card is there.
    int32_t ResetEarlierConnection(int32_t result)
    {
        WaitMilliseconds(kWaitMs);
        if (previous_ != 0) {
            result = ResetCard(session_, previous_);
            if (result == 0) {
                session_.currentCard = previous_;
            }
        } else if (slot_.card != 0) {
            result = ResetCard(session_, slot_.card);
        }
        return result;
    }

    // The new handle, else the earlier one, else (when another connection holds the card) a
    // shared one. It begins no transaction: pcscd would make every later connection to the
    // reader wait for it, ours included, without end.
    int32_t GiveTheSlotAHandle(int32_t result)
    {
        if (fresh_ != 0) {
            slot_.card = std::move(fresh_);
        } else if (session_.currentCard != 0 || previous_ != 0) {
            AdoptCard(
                session_, slot_, session_.currentCard != 0 ? session_.currentCard : previous_);
        } else if (result == kSharingViolation) {
            result = OpenCard(session_, name_, SCARD_SHARE_SHARED, fresh_);
            session_.currentCard = fresh_;
            if (result == 0) {
                slot_.card = std::move(fresh_);
            }
        }
        return result;
    }

    // The card is there: its ATR through the first handle that is set.
    int32_t ReadAtrOfTheCard(int32_t result)
    {
        slot_.connected = true;
        slot_.protocol = ProtocolFromActive(session_.activeProtocol);
        SCARDHANDLE card = session_.currentCard;
        if (card == 0) {
            card = slot_.card;
        }
        if (card == 0) {
            card = previous_;
        }
        if (card == 0) {
            return result;
        }
        return ReadAtr(card, atr_);
    }

    SessionState& session_;
    SessionSlot& slot_;
    std::vector<uint8_t>& atr_;
    const std::string name_;
    const SCARDHANDLE previous_;
    CardHandle fresh_;
};

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
    // Nothing to probe without a context.
    if (!state_->context.Held()) {
        return kNoContext;
    }
    SessionSlot& slot = state_->readerSlots[static_cast<size_t>(slotIndex)];
    return SlotProbe(*state_, slot, atr).Run(ShareModeOf(shareFlag));
}

} // namespace velkor::pcsc
