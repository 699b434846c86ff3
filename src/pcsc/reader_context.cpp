#include <algorithm>
#include <cstring>

#include "card_use_registry.h"
#include "common/wait.h"
#include "session_state.h"

namespace velkor::pcsc {

namespace detail {

namespace {

constexpr int kRelistWaitMs = 50;

// A listed name, cut to the slot field's length without splitting a surrogate pair.
Text SlotName(std::string_view utf8)
{
    Text name = Utf8ToText(utf8);
    if (name.size() > kReaderNameMaxChars) {
        size_t keep = kReaderNameMaxChars;
        if (name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF) {
            --keep;
        }
        name.resize(keep);
    }
    return name;
}

} // namespace

bool IsValidSlot(int32_t slot)
{
    return slot >= 0 && slot < kSlotCount;
}

DWORD ShareModeOf(int32_t shareFlag)
{
    switch (shareFlag) {
    case kShareDirect:
        return SCARD_SHARE_DIRECT;
    case kShareExclusive:
        return SCARD_SHARE_EXCLUSIVE;
    default:
        return SCARD_SHARE_SHARED;
    }
}

DWORD DispositionOf(int32_t dispositionFlag)
{
    switch (dispositionFlag) {
    case kEjectCard:
        return SCARD_EJECT_CARD;
    case kLeaveCard:
        return SCARD_LEAVE_CARD;
    case kResetCard:
        return SCARD_RESET_CARD;
    default:
        return SCARD_UNPOWER_CARD;
    }
}

void ForgetSlotConnections(SessionState& session)
{
    for (auto& slot : session.readerSlots) {
        slot.card.Abandon();
        slot.connected = false;
    }
}

void ClearSlotNames(SessionState& session)
{
    for (auto& slot : session.readerSlots) {
        slot.name.clear();
    }
}

void AbandonHandles(SessionState& session)
{
    session.context.Abandon();
    ForgetSlotConnections(session);
    session.currentCard = 0;
}

int32_t EstablishContext(SessionState& session)
{
    return session.context.Establish();
}

int32_t ReleaseContext(SessionState& session)
{
    const int32_t result = session.context.Release();
    // The release ended the context's connections. The resource manager resets a card it
    // disconnects this way unless another connection reset it since; a card held alone is
    // therefore fresh again, while one shared with other connections is taken as still used.
    for (auto& slot : session.readerSlots) {
        if (slot.card != 0 && slot.card.Exclusive()) {
            ForgetCardUse(slot.card.Reader(), session.id);
        }
        slot.card.Abandon();
    }
    session.currentCard = 0;
    return result;
}

int32_t OpenCard(
    SessionState& session, const std::string& reader, DWORD shareMode, CardHandle& card)
{
    SCARDHANDLE handle = 0;
    int32_t result = Api().Connect(
        session.context.Get(), reader.c_str(), shareMode, handle, session.activeProtocol);
    if (result != 0) {
        return result;
    }
    CardHandle opened(handle, reader, shareMode == SCARD_SHARE_EXCLUSIVE);
    if (shareMode != SCARD_SHARE_DIRECT && UsedByAnotherSession(reader, session.id)) {
        result = Api().Reconnect(handle, shareMode, SCARD_RESET_CARD, session.activeProtocol);
        if (result != 0) {
            return result; // `opened` disconnects again
        }
    }
    RecordCardUse(reader, session.id);
    card = std::move(opened);
    return 0;
}

SessionSlot* OwnerOf(SessionState& session, SCARDHANDLE card)
{
    if (card == 0) {
        return nullptr;
    }
    for (auto& slot : session.readerSlots) {
        if (slot.card == card) {
            return &slot;
        }
    }
    return nullptr;
}

int32_t ResetCard(SessionState& session, SCARDHANDLE card)
{
    const int32_t result
        = Api().Reconnect(card, SCARD_SHARE_EXCLUSIVE, SCARD_RESET_CARD, session.activeProtocol);
    if (result == 0) {
        if (SessionSlot* owner = OwnerOf(session, card)) {
            owner->card.MarkExclusive();
            RecordCardUse(owner->card.Reader(), session.id);
        }
    }
    return result;
}

void AdoptCard(SessionState& session, SessionSlot& slot, SCARDHANDLE card)
{
    if (slot.card == card) {
        return;
    }
    if (SessionSlot* owner = OwnerOf(session, card)) {
        slot.card = std::move(owner->card);
    }
}

int32_t DisconnectCard(SessionState& session, SCARDHANDLE card, DWORD disposition)
{
    if (SessionSlot* owner = OwnerOf(session, card)) {
        return owner->card.Disconnect(disposition);
    }
    return Api().Disconnect(card, disposition);
}

int32_t ListReadersInto(SessionState& session, Text* names, size_t capacity, int32_t& count)
{
    char buffer[kReaderListCapacity] = {};
    DWORD size = kReaderListCapacity;
    const int32_t result = Api().ListReaders(session.context.Get(), buffer, size);
    if (result != 0) {
        return result;
    }
    // Walk the multi-string within what was both returned and written; an unterminated last name
    // ends at the buffer's end.
    const size_t used = std::min<size_t>(size, kReaderListCapacity);
    size_t kept = 0;
    size_t position = 0;
    while (position < used && kept < capacity) {
        const char* start = buffer + position;
        const void* end = std::memchr(start, '\0', used - position);
        const size_t length
            = end != nullptr ? static_cast<const char*>(end) - start : used - position;
        if (length == 0) {
            break; // the empty name that ends the list
        }
        names[kept++] = SlotName(std::string_view(start, length));
        position += length + 1;
    }
    count = static_cast<int32_t>(kept);
    return 0;
}

int32_t ListReadersIntoSlots(SessionState& session)
{
    ClearSlotNames(session);
    std::array<Text, kSlotCount> names;
    int32_t count = 0;
    const int32_t result = ListReadersInto(session, names.data(), names.size(), count);
    for (int32_t i = 0; i < count; ++i) {
        session.readerSlots[static_cast<size_t>(i)].name = std::move(names[static_cast<size_t>(i)]);
    }
    return result;
}

int32_t FindSlot(const SessionState& session, const Text& readerName)
{
    for (int32_t i = 0; i < kSearchedSlotCount; ++i) {
        if (session.readerSlots[static_cast<size_t>(i)].name == readerName) {
            return i;
        }
    }
    return -1;
}

int32_t ReadAtr(SCARDHANDLE card, std::vector<uint8_t>& atr, std::string* readerName)
{
    uint8_t buffer[kAtrCapacity] = {};
    DWORD length = kAtrCapacity;
    const int32_t result = Api().Status(card, buffer, length, readerName);
    atr.assign(buffer, buffer + (result == 0 ? length : 0));
    return result;
}

} // namespace detail

using namespace detail;

int32_t ReaderSession::ListReaderNames(int32_t& count, ReaderNameList& names)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    SessionState& session = *state_;
    // Always start afresh. Cards connected under the old context are not disconnected; releasing
    // the context ends their connections and their handles are forgotten.
    if (session.context.Held()) {
        ReleaseContext(session);
        WaitMilliseconds(kRelistWaitMs);
    }
    ForgetSlotConnections(session);
    const int32_t result = EstablishContext(session);
    if (result != 0) {
        return result;
    }
    return ListReadersInto(session, names.data(), names.size(), count);
}

int32_t ReaderSession::ReleaseReaderContext()
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    SessionState& session = *state_;
    const int32_t result = ReleaseContext(session);
    ClearSlotNames(session);
    ForgetSlotConnections(session);
    for (auto& slot : session.readerSlots) {
        slot.protocol = Protocol::None;
    }
    session.holdsBinding = false;
    ReleasePcscApi(session.bindingGeneration);
    return result;
}

} // namespace velkor::pcsc
