// A minimal stand-in for the PC/SC library: one reader, no card. Built twice, with and without
// SCardBeginTransaction, to check how the binding treats a complete and an incomplete library.
#include <cstring>

#include <PCSC/winscard.h>

namespace {
constexpr char kReaders[] = "Stub Reader 00\0";
}

extern "C" {

const SCARD_IO_REQUEST g_rgSCardT0Pci = { SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST) };
const SCARD_IO_REQUEST g_rgSCardT1Pci = { SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST) };

LONG SCardEstablishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context)
{
    *context = 1;
    return SCARD_S_SUCCESS;
}
LONG SCardReleaseContext(SCARDCONTEXT)
{
    return SCARD_S_SUCCESS;
}
LONG SCardListReaders(SCARDCONTEXT, LPCSTR, LPSTR readers, LPDWORD size)
{
    if (*size < sizeof(kReaders)) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(readers, kReaders, sizeof(kReaders));
    *size = sizeof(kReaders);
    return SCARD_S_SUCCESS;
}
LONG SCardConnect(SCARDCONTEXT, LPCSTR, DWORD, DWORD, LPSCARDHANDLE card, LPDWORD)
{
    *card = 0;
    return SCARD_E_NO_SMARTCARD;
}
// Every call on a card handle: there is no card, so no handle is valid.
#define STUB_INVALID_HANDLE(name, ...)                                                             \
    LONG name(__VA_ARGS__)                                                                         \
    {                                                                                              \
        return SCARD_E_INVALID_HANDLE;                                                             \
    }
STUB_INVALID_HANDLE(SCardReconnect, SCARDHANDLE, DWORD, DWORD, DWORD, LPDWORD)
STUB_INVALID_HANDLE(SCardDisconnect, SCARDHANDLE, DWORD)
STUB_INVALID_HANDLE(SCardStatus, SCARDHANDLE, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
STUB_INVALID_HANDLE(SCardTransmit, SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE, DWORD,
    SCARD_IO_REQUEST*, LPBYTE, LPDWORD)
STUB_INVALID_HANDLE(SCardGetAttrib, SCARDHANDLE, DWORD, LPBYTE, LPDWORD)
STUB_INVALID_HANDLE(SCardEndTransaction, SCARDHANDLE, DWORD)
#ifdef STUB_WITH_BEGIN_TRANSACTION
STUB_INVALID_HANDLE(SCardBeginTransaction, SCARDHANDLE)
#endif
}
