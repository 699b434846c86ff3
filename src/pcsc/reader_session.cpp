#include "pcsc/reader_session.h"

#include "session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

uint64_t NextSessionId()
{
    static uint64_t last = 0;
    return ++last;
}

} // namespace

ReaderSession::ReaderSession()
    : state_(std::make_unique<SessionState>())
{
    state_->id = NextSessionId();
}

ReaderSession::~ReaderSession()
{
    if (state_->holdsBinding && IsPcscApiGeneration(state_->bindingGeneration)) {
        ReleaseReaderContext();
    } else {
        AbandonHandles(*state_);
    }
}

int32_t ReaderSession::Bind()
{
    SessionState& session = *state_;
    if (session.holdsBinding && IsPcscApiGeneration(session.bindingGeneration)) {
        return 0;
    }
    // A binding closed under this session (a test switching libraries) took its context along.
    session.holdsBinding = false;
    AbandonHandles(session);
    if (AcquirePcscApi(session.bindingGeneration) != 0) {
        return kUnavailable;
    }
    session.holdsBinding = true;
    return 0;
}

bool ReaderSession::ContextEstablished() const
{
    return state_->context.Held();
}

SCARDHANDLE ReaderSession::CurrentCardHandle() const
{
    return state_->currentCard;
}

ReaderSlot ReaderSession::SlotAt(int slot) const
{
    const SessionSlot& held = state_->readerSlots.at(static_cast<size_t>(slot));
    return { held.name, held.card, held.protocol, held.connected };
}

} // namespace velkor::pcsc
