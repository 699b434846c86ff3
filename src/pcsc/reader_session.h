#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/status_codes.h"
#include "common/text.h"
#include "pcsc/pcsc_api.h"

// The reader and card session of one control: its own resource-manager context, its own table of
// reader slots, and the operations that list readers, connect and probe cards, read reader
// attributes and disconnect. Card commands are sent with TransmitApdu (apdu_transmit.h) through a
// CardSlot of the session.
//
// Each control (each page) has its own session, so a page only ever uses the card handles it
// opened itself; another page's listing or release leaves them alone. When a session connects a
// card that another session used since the card's last reset, the card is reset first, so that
// no verified PIN carries from one page to another (card_use_registry.h).
//
// Every operation first binds the PC/SC library (pcsc_api.h) and returns -1 when it cannot; the
// binding stays loaded while any session holds it. Otherwise results are 0, a PC/SC error as a
// signed 32-bit value (0x80100069 arrives negative) or a code documented at the operation.
// Sessions are used only from the thread that hosts the controls and are not guarded.
namespace velkor::pcsc {

inline constexpr int kSlotCount = 16;
// Only the first slots are searched when a reader name is looked up.
inline constexpr int kSearchedSlotCount = 8;
// Reader names are kept to 63 UTF-16 characters (a 64-character field with its terminator).
inline constexpr size_t kReaderNameMaxChars = 63;
// Size of the buffer the reader list is read into, in chars.
inline constexpr size_t kReaderListCapacity = 1024;
inline constexpr size_t kAttributeCapacity = 128;
inline constexpr size_t kAtrCapacity = MAX_ATR_SIZE;

// PC/SC results the session acts on, as the signed values the operations return.
inline constexpr int32_t kSharingViolation = static_cast<int32_t>(0x8010000BU);
inline constexpr int32_t kRemovedCard = static_cast<int32_t>(0x80100069U);
inline constexpr int32_t kUnresponsiveCard = static_cast<int32_t>(0x80100066U);
inline constexpr int32_t kNoSmartcard = static_cast<int32_t>(0x8010000CU);
inline constexpr int32_t kUnknownReader = static_cast<int32_t>(0x80100009U);

// Codes of the session itself: -1 when there is no binding or an argument is outside its range,
// 7 for an attribute read or probe before any context.
inline constexpr int32_t kUnavailable = status::kUnavailable;
inline constexpr int32_t kNoContext = status::kNoContext;

// Share flags: 0 direct, 1 exclusive, any other value shared. The system connects exclusively.
inline constexpr int32_t kShareDirect = 0;
inline constexpr int32_t kShareExclusive = 1;
inline constexpr int32_t kShareShared = 2;

// Disposition flags of a disconnection: 0 eject, 1 leave, 2 reset, any other value unpower.
inline constexpr int32_t kEjectCard = 0;
inline constexpr int32_t kLeaveCard = 1;
inline constexpr int32_t kResetCard = 2;
inline constexpr int32_t kUnpowerCard = 3;

// Attribute selectors of GetReaderAttribute.
inline constexpr int32_t kVendorName = 0;
inline constexpr int32_t kReaderType = 1;
inline constexpr int32_t kReaderVersion = 2;

using ReaderNameList = std::array<Text, kSlotCount>;

// What one slot of a session holds, as a copy: the session owns the connection itself.
struct ReaderSlot {
    Text name; // as listed, at most kReaderNameMaxChars
    SCARDHANDLE card = 0; // 0 when the slot has no connection
    Protocol protocol = Protocol::None;
    bool connected = false;
};

class ReaderSession;

// One slot of one session: what card commands are sent through. Valid while the session lives.
struct CardSlot {
    ReaderSession* session = nullptr;
    int32_t index = 0;
};

namespace detail {
// The context, the slots' connections and the binding's hold behind a session (session_state.h).
struct SessionState;
} // namespace detail

class ReaderSession {
public:
    ReaderSession();
    // Releases this session's context (which ends its card connections) and its hold on the
    // binding; other sessions are not touched.
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    CardSlot Slot(int32_t index) { return { this, index }; }

    // Read-only views of the state, for callers that need to know and for tests.
    bool ContextEstablished() const;
    SCARDHANDLE CurrentCardHandle() const;
    // `slot` must be 0..kSlotCount-1.
    ReaderSlot SlotAt(int slot) const;

    // Binds the PC/SC library for this session (once; it stays bound until ReleaseReaderContext).
    // 0, or -1 when it cannot be bound.
    int32_t Bind();

    // Starts afresh: releases a held context (after 50 ms the new one is established), forgets
    // every slot's connection and lists the readers into `names` (at most 16; `count` gets their
    // number). 0 or the PC/SC error; on a listing failure `count` is left as it was.
    int32_t ListReaderNames(int32_t& count, ReaderNameList& names);

    // Connects to the card in the named reader, recovering from a removed, unresponsive or shared
    // card: the context is re-established once for a removed or unresponsive card, a slot's
    // earlier connection is reset for other errors, and a card that another connection holds is
    // confirmed through the earlier handles or connected in shared mode. On 0 `atr` gets the
    // card's ATR; `slot` gets the reader's slot on 0 or a sharing violation (a name not among the
    // first 8 slots after a fresh listing uses slot 0). Returns 0 or the last PC/SC error.
    // Also used to poll for a re-inserted card: callers may look at the result only.
    int32_t ConnectSlot(const Text& readerName, int32_t& slot, std::vector<uint8_t>& atr,
        int32_t shareFlag = kShareExclusive);

    // Whether the card in the slot's reader is still there: connects anew (or confirms through
    // the earlier handles when the card is held) and reads its status. 0 with the ATR, 7 without
    // a context, or the PC/SC error (the removed-card code when the card was pulled).
    int32_t ProbeSlot(std::vector<uint8_t>& atr, int32_t slot, int32_t shareFlag = kShareExclusive);

    // Disconnects the slot's card (or, when the slot has none, the current card) with the given
    // disposition, forgets both handles and waits 200 ms. The PC/SC result, 0 when there was
    // nothing to disconnect.
    int32_t DisconnectSlot(int32_t slot, int32_t dispositionFlag);

    // As DisconnectSlot for the slot listed under `readerName` (slot 0 when absent); when that
    // slot holds no card the whole context is released instead.
    int32_t DisconnectReaderByName(const Text& readerName, int32_t dispositionFlag);

    // Releases the context, forgets every slot and lets go of the binding (unloaded when no other
    // session holds it). The release result (0 when no context was held).
    int32_t ReleaseReaderContext();

    // Reads a reader attribute through the slot's card handle: the vendor name and reader type as
    // the bytes read, the version as the ten characters MM.mm.bbbb. 0, 7 without a context, -1
    // for an unknown selector, or the PC/SC error.
    int32_t GetReaderAttribute(int32_t slot, int32_t selector, std::vector<uint8_t>& value);

private:
    std::unique_ptr<detail::SessionState> state_;
};

} // namespace velkor::pcsc
