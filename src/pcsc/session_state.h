#pragma once

#include <string>

#include "pcsc/reader_session.h"

// The module-wide state behind reader_session.h and the helpers its operations share. Internal
// to the pcsc library.
namespace velkor::pcsc::detail {

struct SessionState {
    SCARDCONTEXT context = 0;
    bool established = false;
    std::array<ReaderSlot, kSlotCount> slots;
    SCARDHANDLE currentCard = 0; // the card handle of the last connection made or confirmed
    DWORD activeProtocol = 0; // from the last successful connect or reconnect
};

SessionState& Session();

bool IsValidSlot(int32_t slot);
DWORD ShareModeOf(int32_t shareFlag);
DWORD DispositionOf(int32_t dispositionFlag);

// Forgets the card handles and connected flags of all slots.
void ForgetSlotConnections(SessionState& session);
void ClearSlotNames(SessionState& session);

// Establishes a new user-scope context; `established` follows the result.
int32_t EstablishContext(SessionState& session);
// Releases the held context (if any); the session is left without one.
int32_t ReleaseContext(SessionState& session);

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
