#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>

#include <reader.h>

#include "common/secure_buffer.h"
#include "pin_pad.h"
#include "resource_manager.h"

// The PC/SC calls. Each one takes the lock, makes sure a configuration is loaded (a missing one
// answers as a stopped service), lets an injected fault answer instead of the call, does the
// call's work, and then runs the card movements planned after it.
namespace velkor::sim {

namespace {

constexpr const char kPnpNotification[] = "\\\\?PnP?\\Notification";

bool IsShareMode(DWORD mode)
{
    return mode == SCARD_SHARE_EXCLUSIVE || mode == SCARD_SHARE_SHARED
        || mode == SCARD_SHARE_DIRECT;
}

bool IsDisposition(DWORD disposition)
{
    return disposition == SCARD_LEAVE_CARD || disposition == SCARD_RESET_CARD
        || disposition == SCARD_UNPOWER_CARD || disposition == SCARD_EJECT_CARD;
}

// The length in/out convention of pcsc-lite: a null buffer asks for the length; a buffer shorter
// than the value gets SCARD_E_INSUFFICIENT_BUFFER; either way the length becomes the value's.
LONG CopyOut(const void* value, size_t size, void* buffer, DWORD* length)
{
    const DWORD capacity = *length;
    *length = static_cast<DWORD>(size);
    if (buffer == nullptr) {
        return SCARD_S_SUCCESS;
    }
    if (capacity < size) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(buffer, value, size);
    return SCARD_S_SUCCESS;
}

Bytes StringWithTerminator(const std::string& text)
{
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace

// Runs the planned card movements when the call returns, on every way out.
class CallScope {
public:
    CallScope(std::function<void()> after)
        : after_(std::move(after))
    {
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
    ~CallScope() { after_(); }

private:
    std::function<void()> after_;
};

// The common start of every call: the lock, the configuration, the card movements another process
// asked for, those planned after the call, and an injected fault for `faultReader` (the reader a
// fault may be limited to).
#define VELKOR_SIM_ENTER(call, followEnvironment, faultReader)                                     \
    std::unique_lock lock(mutex_);                                                                 \
    if (!Ready(followEnvironment)) {                                                               \
        return SCARD_E_NO_SERVICE;                                                                 \
    }                                                                                              \
    ApplyControlFile();                                                                            \
    CallScope afterCall([this] { AfterCall(call); });                                              \
    if (auto fault = Fault(call, faultReader)) {                                                   \
        return *fault;                                                                             \
    }

LONG ResourceManager::EstablishContext(DWORD scope, SCARDCONTEXT* context)
{
    VELKOR_SIM_ENTER("SCardEstablishContext", true, nullptr)
    if (context == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    if (scope > SCARD_SCOPE_GLOBAL) {
        return SCARD_E_INVALID_VALUE;
    }
    *context = nextContext_++;
    contexts_.insert(*context);
    return SCARD_S_SUCCESS;
}

// As pcscd does, releasing a context disconnects its cards with a reset.
LONG ResourceManager::ReleaseContext(SCARDCONTEXT context)
{
    VELKOR_SIM_ENTER("SCardReleaseContext", false, nullptr)
    if (contexts_.erase(context) == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    std::vector<SCARDHANDLE> owned;
    for (const auto& [id, handle] : handles_) {
        if (handle.context == context) {
            owned.push_back(id);
        }
    }
    for (SCARDHANDLE id : owned) {
        const Handle& handle = handles_.at(id);
        Reader* reader = FindReader(handle.reader);
        if (reader != nullptr && reader->card && handle.generation == reader->generation) {
            ApplyDisposition(*reader, id, SCARD_RESET_CARD);
        }
        DropHandle(id);
    }
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::IsValidContext(SCARDCONTEXT context)
{
    VELKOR_SIM_ENTER("SCardIsValidContext", false, nullptr)
    return contexts_.count(context) != 0 ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG ResourceManager::ListReaders(SCARDCONTEXT context, char* readers, DWORD* length)
{
    VELKOR_SIM_ENTER("SCardListReaders", false, nullptr)
    if (length == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    if (contexts_.count(context) == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (readers_.empty()) {
        return SCARD_E_NO_READERS_AVAILABLE;
    }
    // Names in configuration order, each ending with a zero byte, and one more zero at the end.
    std::string list;
    for (const auto& reader : readers_) {
        list += reader.config.name;
        list.push_back('\0');
    }
    list.push_back('\0');
    return CopyOut(list.data(), list.size(), readers, length);
}

LONG ResourceManager::Connect(SCARDCONTEXT context, const char* readerName, DWORD shareMode,
    DWORD preferred, SCARDHANDLE* card, DWORD* activeProtocol)
{
    const std::string name = readerName != nullptr ? readerName : "";
    VELKOR_SIM_ENTER("SCardConnect", false, readerName != nullptr ? &name : nullptr)
    if (card == nullptr || activeProtocol == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    if (contexts_.count(context) == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (readerName == nullptr) {
        return SCARD_E_UNKNOWN_READER;
    }
    if (!IsShareMode(shareMode)) {
        return SCARD_E_INVALID_VALUE;
    }
    Reader* reader = FindReader(name);
    if (reader == nullptr) {
        return SCARD_E_UNKNOWN_READER;
    }
    // pcscd refuses a reader that another handle holds exclusively before it looks for a card:
    // a handle whose card was pulled keeps that claim, so the reader answers a sharing violation
    // until the handle is disconnected.
    if (HeldExclusively(*reader)) {
        return SCARD_E_SHARING_VIOLATION;
    }
    // Next pcscd waits, without a timeout, until no handle holds a transaction on the reader, and
    // the client library waits for pcscd's answer just as long. A test must not hang here, nor
    // pass as if the connection had worked: the call is counted, reported and answered with a
    // code SCardConnect never gives.
    if (reader->lockHolder != 0) {
        ++blockedConnects_;
        std::cerr << "velkor-sim: SCardConnect to \"" << name
                  << "\" would block on pcscd: handle 0x" << std::hex << reader->lockHolder
                  << std::dec << " holds a transaction on it\n";
        return kWouldBlockResult;
    }
    DWORD protocol = SCARD_PROTOCOL_UNDEFINED;
    if (shareMode != SCARD_SHARE_DIRECT) {
        if ((preferred & SCARD_PROTOCOL_ANY) == 0) {
            return SCARD_E_INVALID_VALUE;
        }
        if (!reader->card) {
            return SCARD_E_NO_SMARTCARD;
        }
        protocol = static_cast<DWORD>(reader->card->Protocol());
        if ((preferred & protocol) == 0) {
            return SCARD_E_PROTO_MISMATCH;
        }
    }
    if (const LONG sharing = CheckSharing(*reader, 0, shareMode); sharing != SCARD_S_SUCCESS) {
        return sharing;
    }
    const SCARDHANDLE id = nextHandle_++;
    handles_[id] = Handle { context, name, shareMode, protocol, reader->generation, false };
    *card = id;
    *activeProtocol = protocol;
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::Reconnect(
    SCARDHANDLE card, DWORD shareMode, DWORD preferred, DWORD initialization, DWORD* activeProtocol)
{
    VELKOR_SIM_ENTER("SCardReconnect", false, ReaderOf(card))
    if (activeProtocol == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (!IsShareMode(shareMode) || !IsDisposition(initialization)) {
        return SCARD_E_INVALID_VALUE;
    }
    Reader* reader = FindReader(handle->reader);
    if (reader == nullptr) {
        return SCARD_E_READER_UNAVAILABLE;
    }
    if (!reader->card) {
        return SCARD_E_NO_SMARTCARD; // measured with pcscd 1.9.9, whatever the initialization
    }
    if (LockedByAnother(*reader, card)) {
        return SCARD_E_SHARING_VIOLATION;
    }
    const auto protocol = static_cast<DWORD>(reader->card->Protocol());
    if (shareMode != SCARD_SHARE_DIRECT && (preferred & protocol) == 0) {
        return SCARD_E_PROTO_MISMATCH;
    }
    if (const LONG sharing = CheckSharing(*reader, card, shareMode); sharing != SCARD_S_SUCCESS) {
        return sharing;
    }
    // A handle from before a removal picks up the card now inserted, which was just powered on;
    // a current handle applies the requested initialization.
    if (handle->generation == reader->generation) {
        ApplyDisposition(*reader, card, initialization);
    }
    handle->generation = reader->generation;
    handle->resetPending = false;
    handle->shareMode = shareMode;
    handle->protocol = shareMode == SCARD_SHARE_DIRECT ? SCARD_PROTOCOL_UNDEFINED : protocol;
    *activeProtocol = handle->protocol;
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::Disconnect(SCARDHANDLE card, DWORD disposition)
{
    VELKOR_SIM_ENTER("SCardDisconnect", false, ReaderOf(card))
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (!IsDisposition(disposition)) {
        return SCARD_E_INVALID_VALUE;
    }
    Reader* reader = FindReader(handle->reader);
    if (reader != nullptr && reader->card && handle->generation == reader->generation) {
        ApplyDisposition(*reader, card, disposition);
    }
    DropHandle(card);
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::Status(SCARDHANDLE card, char* readerName, DWORD* readerLength, DWORD* state,
    DWORD* protocol, BYTE* atr, DWORD* atrLength)
{
    VELKOR_SIM_ENTER("SCardStatus", false, ReaderOf(card))
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    Reader* reader = nullptr;
    if (const LONG access = CheckAccess(*handle, reader); access != SCARD_S_SUCCESS) {
        return access;
    }
    if ((readerName != nullptr && readerLength == nullptr)
        || (atr != nullptr && atrLength == nullptr)) {
        return SCARD_E_INVALID_PARAMETER;
    }
    if (state != nullptr) {
        *state = (static_cast<DWORD>(reader->eventCounter) << 16) | SCARD_PRESENT | SCARD_POWERED
            | SCARD_NEGOTIABLE;
    }
    if (protocol != nullptr) {
        *protocol = handle->protocol;
    }
    LONG result = SCARD_S_SUCCESS;
    if (readerLength != nullptr) {
        const Bytes name = StringWithTerminator(reader->config.name);
        result = CopyOut(name.data(), name.size(), readerName, readerLength);
    }
    if (atrLength != nullptr) {
        const Bytes& value = reader->card->Atr();
        const LONG atrResult = CopyOut(value.data(), value.size(), atr, atrLength);
        if (result == SCARD_S_SUCCESS) {
            result = atrResult;
        }
    }
    return result;
}

LONG ResourceManager::Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci,
    const BYTE* command, DWORD commandLength, SCARD_IO_REQUEST* receivePci, BYTE* response,
    DWORD* responseLength)
{
    VELKOR_SIM_ENTER("SCardTransmit", false, ReaderOf(card))
    if (responseLength == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (sendPci == nullptr || command == nullptr || response == nullptr || commandLength < 4) {
        return SCARD_E_INVALID_PARAMETER;
    }
    if (*responseLength < 2) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    Reader* reader = nullptr;
    if (const LONG access = CheckAccess(*handle, reader); access != SCARD_S_SUCCESS) {
        return access;
    }
    if (LockedByAnother(*reader, card)) {
        return SCARD_E_SHARING_VIOLATION;
    }
    if (handle->protocol == SCARD_PROTOCOL_UNDEFINED || sendPci->dwProtocol != handle->protocol) {
        return SCARD_E_PROTO_MISMATCH;
    }

    Bytes apdu(command, command + commandLength); // may carry a PIN block: wiped below
    VirtualCard& virtualCard = *reader->card;
    const auto toCard = [&virtualCard](const Bytes& bytes) { return virtualCard.Transmit(bytes); };
    Bytes answer = reader->config.pinPad
        ? ExchangeThroughPinPad(*reader->config.pinPad, apdu, toCard)
        : toCard(apdu);
    Wipe(apdu.data(), apdu.size());

    if (receivePci != nullptr) {
        receivePci->dwProtocol = handle->protocol;
        receivePci->cbPciLength = sizeof(SCARD_IO_REQUEST);
    }
    const LONG result = CopyOut(answer.data(), answer.size(), response, responseLength);
    Wipe(answer.data(), answer.size());
    return result;
}

LONG ResourceManager::GetAttrib(SCARDHANDLE card, DWORD attribute, BYTE* value, DWORD* length)
{
    VELKOR_SIM_ENTER("SCardGetAttrib", false, ReaderOf(card))
    if (length == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    Reader* reader = FindReader(handle->reader);
    if (reader == nullptr) {
        return SCARD_E_READER_UNAVAILABLE;
    }
    const ReaderConfig& config = reader->config;
    Bytes bytes;
    switch (attribute) {
    case SCARD_ATTR_VENDOR_NAME:
        if (!config.vendorName) {
            return SCARD_E_UNSUPPORTED_FEATURE;
        }
        bytes = StringWithTerminator(*config.vendorName);
        break;
    case SCARD_ATTR_VENDOR_IFD_TYPE:
        if (!config.ifdType) {
            return SCARD_E_UNSUPPORTED_FEATURE;
        }
        bytes = StringWithTerminator(*config.ifdType);
        break;
    case SCARD_ATTR_VENDOR_IFD_VERSION: {
        if (!config.ifdVersion) {
            return SCARD_E_UNSUPPORTED_FEATURE;
        }
        const uint32_t version = *config.ifdVersion; // little-endian, as the driver returns it
        bytes = { static_cast<uint8_t>(version), static_cast<uint8_t>(version >> 8),
            static_cast<uint8_t>(version >> 16), static_cast<uint8_t>(version >> 24) };
        break;
    }
    case SCARD_ATTR_DEVICE_FRIENDLY_NAME_A:
        bytes = StringWithTerminator(config.name);
        break;
    case SCARD_ATTR_ATR_STRING:
        if (!reader->card || handle->generation != reader->generation) {
            return SCARD_W_REMOVED_CARD;
        }
        bytes = reader->card->Atr();
        break;
    default:
        return SCARD_E_UNSUPPORTED_FEATURE;
    }
    return CopyOut(bytes.data(), bytes.size(), value, length);
}

// pcsc-lite waits for as long as another handle holds the card; the simulator answers a sharing
// violation at once instead, so that a test never hangs.
LONG ResourceManager::BeginTransaction(SCARDHANDLE card)
{
    VELKOR_SIM_ENTER("SCardBeginTransaction", false, ReaderOf(card))
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    Reader* reader = nullptr;
    if (const LONG access = CheckAccess(*handle, reader); access != SCARD_S_SUCCESS) {
        return access;
    }
    if (LockedByAnother(*reader, card)) {
        return SCARD_E_SHARING_VIOLATION;
    }
    reader->lockHolder = card;
    ++reader->lockDepth;
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::EndTransaction(SCARDHANDLE card, DWORD disposition)
{
    VELKOR_SIM_ENTER("SCardEndTransaction", false, ReaderOf(card))
    Handle* handle = FindHandle(card);
    if (handle == nullptr) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (!IsDisposition(disposition)) {
        return SCARD_E_INVALID_VALUE;
    }
    Reader* reader = nullptr;
    if (const LONG access = CheckAccess(*handle, reader); access != SCARD_S_SUCCESS) {
        return access;
    }
    if (reader->lockHolder != card) {
        return SCARD_E_NOT_TRANSACTED;
    }
    ApplyDisposition(*reader, card, disposition);
    if (--reader->lockDepth == 0) {
        reader->lockHolder = 0;
    }
    return SCARD_S_SUCCESS;
}

LONG ResourceManager::GetStatusChange(
    SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states, DWORD count)
{
    VELKOR_SIM_ENTER("SCardGetStatusChange", false, nullptr)
    if (contexts_.count(context) == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    if (count == 0) {
        return SCARD_S_SUCCESS;
    }
    if (states == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        bool changed = false;
        for (DWORD i = 0; i < count; ++i) {
            SCARD_READERSTATE& entry = states[i];
            if (entry.szReader == nullptr || std::strcmp(entry.szReader, kPnpNotification) == 0) {
                entry.dwEventState = entry.dwCurrentState & ~SCARD_STATE_CHANGED;
                continue;
            }
            const Reader* reader = FindReader(entry.szReader);
            if (reader == nullptr) {
                entry.dwEventState = SCARD_STATE_UNKNOWN | SCARD_STATE_CHANGED | SCARD_STATE_IGNORE;
                changed = true;
                continue;
            }
            DWORD now = reader->card ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY;
            for (const auto& [id, handle] : handles_) {
                if (handle.reader == reader->config.name && reader->card) {
                    now |= handle.shareMode == SCARD_SHARE_EXCLUSIVE ? SCARD_STATE_EXCLUSIVE
                                                                     : SCARD_STATE_INUSE;
                }
            }
            now |= static_cast<DWORD>(reader->eventCounter) << 16;
            const DWORD known = entry.dwCurrentState;
            const bool differs = (known & 0xFFFF) == SCARD_STATE_UNAWARE
                || (known & (SCARD_STATE_PRESENT | SCARD_STATE_EMPTY))
                    != (now & (SCARD_STATE_PRESENT | SCARD_STATE_EMPTY))
                || ((known >> 16) != 0 && (known >> 16) != reader->eventCounter);
            entry.dwEventState = now | (differs ? SCARD_STATE_CHANGED : 0);
            entry.cbAtr = 0;
            if (reader->card) {
                const Bytes& atr = reader->card->Atr();
                entry.cbAtr = static_cast<DWORD>(std::min(atr.size(), sizeof(entry.rgbAtr)));
                std::memcpy(entry.rgbAtr, atr.data(), entry.cbAtr);
            }
            changed = changed || differs;
        }
        if (changed) {
            return SCARD_S_SUCCESS;
        }
        if (timeout != INFINITE && std::chrono::steady_clock::now() >= deadline) {
            return SCARD_E_TIMEOUT;
        }
        if (timeout == INFINITE) {
            changed_.wait(lock);
        } else {
            changed_.wait_until(lock, deadline);
        }
    }
}

} // namespace velkor::sim
