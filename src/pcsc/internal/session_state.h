#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "owned_handles.h"
#include "pcsc/reader_session.h"

// The state behind a reader session and the helpers its operations share. Internal to the pcsc
// library: callers see the state only through ReaderSession's read-only views.
namespace velkor::pcsc::detail {

// One slot of a session: the listed reader name and the connection the slot owns.
struct SessionSlot {
    Text name; // as listed, at most kReaderNameMaxChars
    CardHandle card; // 0 when the slot has no connection
    Protocol protocol = Protocol::None;
    bool connected = false;
};

struct SessionState {
    uint64_t id = 0; // distinct for every session of the process, never reused
    bool holdsBinding = false; // whether this session counts among the binding's users
    uint64_t bindingGeneration = 0;
    ContextHandle context; // established exactly when held
    // Each slot owns its card handle. Declared after the context, so destroyed before it.
    std::array<SessionSlot, kSlotCount> readerSlots;
    // The last connection made or confirmed: one of the slots' handles, or 0. Not an owner.
    SCARDHANDLE currentCard = 0;
    DWORD activeProtocol = 0; // from the last successful connect or reconnect
};

bool IsValidSlot(int32_t slot);
DWORD ShareModeOf(int32_t shareFlag);
DWORD DispositionOf(int32_t dispositionFlag);

// Forgets the card handles (ended with their context) and connected flags of all slots.
void ForgetSlotConnections(SessionState& session);
void ClearSlotNames(SessionState& session);
// Forgets the context and every card handle without a call: the library that made them is gone.
void AbandonHandles(SessionState& session);

// Establishes a new user-scope context.
int32_t EstablishContext(SessionState& session);
// Releases the held context (if any); the session is left without one, and the slots' handles
// and the current card are forgotten: the resource manager ended (and reset) those connections.
int32_t ReleaseContext(SessionState& session);

// Connects to the card in `reader` under the session's context; `activeProtocol` follows. When
// another session used the card since its last reset, the card is reset before anything is sent
// to it (a failed reset disconnects again and is returned). 0 or the PC/SC error; `card` gets
// the connection on success and is left as it was on failure.
int32_t OpenCard(
    SessionState& session, const std::string& reader, DWORD shareMode, CardHandle& card);
// Reconnects one of the session's handles exclusively with a reset of the card.
int32_t ResetCard(SessionState& session, SCARDHANDLE card);
// The slot whose handle is `card`, or null.
SessionSlot* OwnerOf(SessionState& session, SCARDHANDLE card);
// Makes `card`, one of the session's handles, the slot's own: it moves from the slot that owned
// it (the slot's earlier handle is let go). Nothing when no slot owns `card`.
void AdoptCard(SessionState& session, SessionSlot& slot, SCARDHANDLE card);
// Disconnects `card` with `disposition` through the slot that owns it (which then holds
// nothing); a handle no slot owns is disconnected as it is.
int32_t DisconnectCard(SessionState& session, SCARDHANDLE card, DWORD disposition);

// Lists the readers into `names` (at most names.size()); `count` gets how many were kept.
int32_t ListReadersInto(SessionState& session, Text* names, size_t capacity, int32_t& count);
// Lists the readers into the slot names, which are cleared first. The result is advisory.
int32_t ListReadersIntoSlots(SessionState& session);

// The slot among the first kSearchedSlotCount whose name is exactly `readerName`, or -1.
int32_t FindSlot(const SessionState& session, const Text& readerName);

// Reads the card's ATR through `card` into `atr`. 0 or the PC/SC error (then `atr` is empty).
// `readerName`, when given, gets the name of the reader the handle is connected to.
int32_t ReadAtr(SCARDHANDLE card, std::vector<uint8_t>& atr, std::string* readerName = nullptr);

} // namespace velkor::pcsc::detail
