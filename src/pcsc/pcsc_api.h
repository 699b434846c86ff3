#pragma once

#include <cstdint>
#include <string>

#include <PCSC/winscard.h>

// The run-time binding of the PC/SC service library. The library is never linked: it is opened
// with dlopen on the first card operation, so a machine without pcsc-lite still runs the control
// (every card operation then reports -1). The binding is process-wide and shared by every reader
// session: a session counts itself among its users while it needs it, and the library is closed
// when the last user lets go (the next card operation binds it afresh). One control's release
// never unloads the library under another.
//
// The library is libpcsclite.so.1, or the file named by the environment variable
// VELKOR_PCSC_LIBRARY (read at every load, so a test can switch libraries between loads).
namespace velkor::pcsc {

// Which protocol a connection runs. Slots keep this kind rather than the library's protocol
// record itself, so that no slot can hold a pointer into a library that has since been unloaded;
// the record is looked up in the current binding when a command is sent.
enum class Protocol { None, T0, T1 };

// The protocol kind behind an active-protocol value from SCardConnect or SCardReconnect.
Protocol ProtocolFromActive(DWORD activeProtocol);

// The bound entry points. Each call returns the library's result as the control reports it: a
// signed 32-bit value (pcsc-lite's LONG is 64 bits wide on Linux; 0x80100069 becomes negative).
class PcscApi {
public:
    int32_t EstablishContext(SCARDCONTEXT& context) const;
    int32_t ReleaseContext(SCARDCONTEXT context) const;
    // `size` is the buffer's capacity in chars on the way in and the length used on the way out.
    int32_t ListReaders(SCARDCONTEXT context, char* buffer, DWORD& size) const;
    // Connections always offer T=0 or T=1. `card` is 0 after a failed connection.
    int32_t Connect(SCARDCONTEXT context, const char* reader, DWORD shareMode, SCARDHANDLE& card,
        DWORD& activeProtocol) const;
    int32_t Reconnect(
        SCARDHANDLE card, DWORD shareMode, DWORD initialization, DWORD& activeProtocol) const;
    int32_t Disconnect(SCARDHANDLE card, DWORD disposition) const;
    // `atrLength` is the buffer's capacity on the way in and the ATR's length on the way out.
    // `readerName`, when given, gets the name of the handle's reader (empty on failure).
    int32_t Status(
        SCARDHANDLE card, uint8_t* atr, DWORD& atrLength, std::string* readerName = nullptr) const;
    // `protocol` selects the send record; a protocol without a bound record sends none.
    int32_t Transmit(SCARDHANDLE card, Protocol protocol, const uint8_t* command,
        DWORD commandLength, uint8_t* answer, DWORD& answerLength) const;
    int32_t GetAttribute(SCARDHANDLE card, DWORD attribute, uint8_t* value, DWORD& length) const;

    // Function types of the entries, as pcsc-lite declares them.
    using EstablishContextFn = LONG (*)(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT);
    using ReleaseContextFn = LONG (*)(SCARDCONTEXT);
    using ListReadersFn = LONG (*)(SCARDCONTEXT, LPCSTR, LPSTR, LPDWORD);
    using ConnectFn = LONG (*)(SCARDCONTEXT, LPCSTR, DWORD, DWORD, LPSCARDHANDLE, LPDWORD);
    using ReconnectFn = LONG (*)(SCARDHANDLE, DWORD, DWORD, DWORD, LPDWORD);
    using DisconnectFn = LONG (*)(SCARDHANDLE, DWORD);
    using StatusFn = LONG (*)(SCARDHANDLE, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    using TransmitFn = LONG (*)(
        SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE, DWORD, SCARD_IO_REQUEST*, LPBYTE, LPDWORD);
    using GetAttribFn = LONG (*)(SCARDHANDLE, DWORD, LPBYTE, LPDWORD);
    using EndTransactionFn = LONG (*)(SCARDHANDLE, DWORD);
    using BeginTransactionFn = LONG (*)(SCARDHANDLE);

    // Filled by LoadPcscApi; meaningful only while the binding is loaded.
    const SCARD_IO_REQUEST* t0Pci = nullptr;
    const SCARD_IO_REQUEST* t1Pci = nullptr; // optional: may stay null
    EstablishContextFn establishContext = nullptr;
    ReleaseContextFn releaseContext = nullptr;
    ListReadersFn listReaders = nullptr;
    ConnectFn connect = nullptr;
    ReconnectFn reconnect = nullptr;
    DisconnectFn disconnect = nullptr;
    StatusFn status = nullptr;
    TransmitFn transmit = nullptr;
    GetAttribFn getAttrib = nullptr;
    EndTransactionFn endTransaction = nullptr; // bound for completeness, never called
    // Mandatory, so a library without transactions is refused, but never called: on pcscd a
    // transaction left open makes every further connection to the reader wait without end.
    BeginTransactionFn beginTransaction = nullptr;
};

// Binds the library if it is not bound yet. 0 when bound, -1 when the library cannot be opened or
// lacks a mandatory entry (it is closed again, so the next call tries afresh).
int32_t LoadPcscApi();
// Binds the library (as LoadPcscApi) and counts one more user of it. `generation` identifies this
// binding, so that a user whose binding was since closed does not count itself out of a new one.
int32_t AcquirePcscApi(uint64_t& generation);
// Whether the binding of `generation` is still the loaded one.
bool IsPcscApiGeneration(uint64_t generation);
// One user lets go; the library is closed when it was the last. Nothing for a stale generation.
void ReleasePcscApi(uint64_t generation);
// Closes the library whoever uses it (for tests that switch libraries); the next LoadPcscApi
// opens it again. Returns 0.
int32_t UnloadPcscApi();
bool IsPcscApiLoaded();
// The bound entries; call only after a successful LoadPcscApi.
const PcscApi& Api();

} // namespace velkor::pcsc
