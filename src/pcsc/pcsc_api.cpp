#include "pcsc/pcsc_api.h"

#include "call_log_internal.h"
#include "pcsc/call_log.h"

#include <dlfcn.h>

#include <cstdlib>

namespace velkor::pcsc {

namespace {

constexpr const char* kDefaultLibrary = "libpcsclite.so.1";
constexpr const char* kLibraryVariable = "VELKOR_PCSC_LIBRARY";
constexpr DWORD kPreferredProtocols = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;

struct Binding {
    void* library = nullptr; // non-null exactly when every mandatory entry is bound
    PcscApi api;
    uint64_t generation = 0; // counts the successful loads
    int users = 0; // sessions holding the current load
};

Binding& TheBinding()
{
    static Binding binding;
    return binding;
}

int32_t ToResult(LONG result)
{
    // pcsc-lite's codes are 32-bit values carried in a 64-bit long.
    return static_cast<int32_t>(static_cast<uint32_t>(result));
}

template <typename T> bool Lookup(void* library, const char* name, T& entry)
{
    entry = reinterpret_cast<T>(dlsym(library, name));
    return entry != nullptr;
}

} // namespace

Protocol ProtocolFromActive(DWORD activeProtocol)
{
    switch (activeProtocol) {
    case SCARD_PROTOCOL_T0:
        return Protocol::T0;
    case SCARD_PROTOCOL_T1:
        return Protocol::T1;
    default:
        return Protocol::None;
    }
}

int32_t LoadPcscApi()
{
    Binding& binding = TheBinding();
    if (binding.library != nullptr) {
        return 0;
    }
    const char* path = std::getenv(kLibraryVariable);
    if (path == nullptr || *path == '\0') {
        path = kDefaultLibrary;
    }
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return -1;
    }
    PcscApi& api = binding.api;
    // Looked up in this order; the first missing mandatory entry gives up. The T=1 record is
    // optional and stays null when absent.
    api.t1Pci = nullptr;
    bool complete = Lookup(library, "g_rgSCardT0Pci", api.t0Pci);
    if (complete) {
        Lookup(library, "g_rgSCardT1Pci", api.t1Pci);
    }
    complete = complete && Lookup(library, "SCardEstablishContext", api.establishContext)
        && Lookup(library, "SCardReleaseContext", api.releaseContext)
        && Lookup(library, "SCardListReaders", api.listReaders)
        && Lookup(library, "SCardConnect", api.connect)
        && Lookup(library, "SCardReconnect", api.reconnect)
        && Lookup(library, "SCardDisconnect", api.disconnect)
        && Lookup(library, "SCardStatus", api.status)
        && Lookup(library, "SCardTransmit", api.transmit)
        && Lookup(library, "SCardGetAttrib", api.getAttrib)
        && Lookup(library, "SCardEndTransaction", api.endTransaction)
        && Lookup(library, "SCardBeginTransaction", api.beginTransaction);
    if (!complete) {
        dlclose(library);
        return -1;
    }
    binding.library = library;
    ++binding.generation;
    binding.users = 0;
    return 0;
}

int32_t AcquirePcscApi(uint64_t& generation)
{
    if (LoadPcscApi() != 0) {
        return -1;
    }
    Binding& binding = TheBinding();
    ++binding.users;
    generation = binding.generation;
    return 0;
}

bool IsPcscApiGeneration(uint64_t generation)
{
    const Binding& binding = TheBinding();
    return binding.library != nullptr && binding.generation == generation;
}

void ReleasePcscApi(uint64_t generation)
{
    Binding& binding = TheBinding();
    if (!IsPcscApiGeneration(generation) || binding.users <= 0) {
        return;
    }
    if (--binding.users == 0) {
        UnloadPcscApi();
    }
}

int32_t UnloadPcscApi()
{
    Binding& binding = TheBinding();
    if (binding.library != nullptr) {
        dlclose(binding.library);
        binding.library = nullptr;
    }
    binding.users = 0;
    return 0;
}

bool IsPcscApiLoaded()
{
    return TheBinding().library != nullptr;
}

const PcscApi& Api()
{
    return TheBinding().api;
}

// Every entry goes through LoggedCall, which writes the opt-in diagnostic line (call_log.h).

int32_t PcscApi::EstablishContext(SCARDCONTEXT& context) const
{
    context = 0;
    const int32_t result = detail::LoggedCall("SCardEstablishContext", {},
        [&] { return ToResult(establishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context)); });
    if (result != 0) {
        context = 0;
    }
    return result;
}

int32_t PcscApi::ReleaseContext(SCARDCONTEXT context) const
{
    detail::ForgetContext(context);
    return detail::LoggedCall(
        "SCardReleaseContext", {}, [&] { return ToResult(releaseContext(context)); });
}

int32_t PcscApi::ListReaders(SCARDCONTEXT context, char* buffer, DWORD& size) const
{
    return detail::LoggedCall("SCardListReaders", {},
        [&] { return ToResult(listReaders(context, nullptr, buffer, &size)); });
}

int32_t PcscApi::Connect(SCARDCONTEXT context, const char* reader, DWORD shareMode,
    SCARDHANDLE& card, DWORD& activeProtocol) const
{
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    const int32_t result = detail::LoggedCall("SCardConnect", reader, [&] {
        return ToResult(
            connect(context, reader, shareMode, kPreferredProtocols, &handle, &protocol));
    });
    if (result != 0) {
        card = 0;
        return result;
    }
    detail::NoteConnection(context, handle, reader);
    card = handle;
    activeProtocol = protocol;
    return 0;
}

int32_t PcscApi::Reconnect(
    SCARDHANDLE card, DWORD shareMode, DWORD initialization, DWORD& activeProtocol) const
{
    DWORD protocol = 0;
    const int32_t result
        = detail::LoggedCall("SCardReconnect", detail::ReaderOfConnection(card), [&] {
              return ToResult(
                  reconnect(card, shareMode, kPreferredProtocols, initialization, &protocol));
          });
    if (result == 0) {
        activeProtocol = protocol;
    }
    return result;
}

int32_t PcscApi::Disconnect(SCARDHANDLE card, DWORD disposition) const
{
    const int32_t result = detail::LoggedCall("SCardDisconnect", detail::ReaderOfConnection(card),
        [&] { return ToResult(disconnect(card, disposition)); });
    detail::ForgetConnection(card);
    return result;
}

int32_t PcscApi::Status(
    SCARDHANDLE card, uint8_t* atr, DWORD& atrLength, std::string* readerName) const
{
    char reader[MAX_READERNAME + 1] = {};
    DWORD readerLength = MAX_READERNAME;
    DWORD state = 0;
    DWORD protocol = 0;
    const DWORD capacity = atrLength;
    const int32_t result = detail::LoggedCall("SCardStatus", detail::ReaderOfConnection(card), [&] {
        return ToResult(status(card, reader, &readerLength, &state, &protocol, atr, &atrLength));
    });
    if (result != 0) {
        atrLength = 0;
    } else if (atrLength > capacity) {
        atrLength = capacity; // never report more than the buffer holds
    }
    if (readerName != nullptr) {
        // The buffer's last char stays zero, so the name ends within it.
        *readerName = result == 0 ? std::string(reader) : std::string();
    }
    return result;
}

int32_t PcscApi::Transmit(SCARDHANDLE card, Protocol protocol, const uint8_t* command,
    DWORD commandLength, uint8_t* answer, DWORD& answerLength) const
{
    const SCARD_IO_REQUEST* sendPci = nullptr;
    if (protocol == Protocol::T0) {
        sendPci = t0Pci;
    } else if (protocol == Protocol::T1) {
        sendPci = t1Pci;
    }
    const DWORD capacity = answerLength;
    const int32_t result
        = detail::LoggedCall("SCardTransmit", detail::ReaderOfConnection(card), [&] {
              return ToResult(
                  transmit(card, sendPci, command, commandLength, nullptr, answer, &answerLength));
          });
    if (result != 0) {
        answerLength = 0;
    } else if (answerLength > capacity) {
        answerLength = capacity;
    }
    return result;
}

int32_t PcscApi::GetAttribute(
    SCARDHANDLE card, DWORD attribute, uint8_t* value, DWORD& length) const
{
    const DWORD capacity = length;
    const int32_t result = detail::LoggedCall("SCardGetAttrib", detail::ReaderOfConnection(card),
        [&] { return ToResult(getAttrib(card, attribute, value, &length)); });
    if (result != 0) {
        length = 0;
    } else if (length > capacity) {
        length = capacity;
    }
    return result;
}

} // namespace velkor::pcsc
