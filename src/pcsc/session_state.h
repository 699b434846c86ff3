#pragma once

#include <string>

#include "pcsc/reader_session.h"

// The helpers a session's operations share. Internal to the pcsc library.
namespace velkor::pcsc::detail {

bool IsValidSlot(int32_t slot);
DWORD ShareModeOf(int32_t shareFlag);
DWORD DispositionOf(int32_t dispositionFlag);

// Forgets the card handles and connected flags of all slots.
void ForgetSlotConnections(SessionState& session);
void ClearSlotNames(SessionState& session);

// Establishes a new user-scope context; `established` follows the result.
int32_t EstablishContext(SessionState& session);
// Releases the held context (if any); the session is left without one. The resource manager
// ends (and resets) the cards the context still had connected.
int32_t ReleaseContext(SessionState& session);

// Connects to the card in `reader` under the session's context; `activeProtocol` follows. When
// another session used the card since its last reset, the card is reset before anything is sent
// to it (a failed reset disconnects again and is returned). 0 or the PC/SC error; `card` is 0 on
// failure.
int32_t OpenCard(
    SessionState& session, const std::string& reader, DWORD shareMode, SCARDHANDLE& card);
// Reconnects one of the session's handles exclusively with a reset of the card.
int32_t ResetCard(SessionState& session, SCARDHANDLE card);
// Disconnects one of the session's handles with `disposition`.
int32_t CloseCard(SessionState& session, SCARDHANDLE card, DWORD disposition);

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
