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
LONG SCardReconnect(SCARDHANDLE, DWORD, DWORD, DWORD, LPDWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
LONG SCardDisconnect(SCARDHANDLE, DWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
LONG SCardStatus(SCARDHANDLE, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
LONG SCardTransmit(
    SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE, DWORD, SCARD_IO_REQUEST*, LPBYTE, LPDWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
LONG SCardGetAttrib(SCARDHANDLE, DWORD, LPBYTE, LPDWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
LONG SCardEndTransaction(SCARDHANDLE, DWORD)
{
    return SCARD_E_INVALID_HANDLE;
}
#ifdef STUB_WITH_BEGIN_TRANSACTION
LONG SCardBeginTransaction(SCARDHANDLE)
{
    return SCARD_E_INVALID_HANDLE;
}
#endif
}
