// The pcsc-lite API with pcsc-lite's names and Linux types, so that a program binds this library
// exactly as it binds libpcsclite.so.1. Everything pcsc-lite's header declares is exported; the
// rest of the library stays hidden.
#pragma GCC visibility push(default)
#include <winscard.h>
#pragma GCC visibility pop

#include <cstdlib>

#include "resource_manager.h"

#define VELKOR_EXPORT __attribute__((visibility("default")))

using velkor::sim::ResourceManager;

extern "C" {

const SCARD_IO_REQUEST g_rgSCardT0Pci = { SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST) };
const SCARD_IO_REQUEST g_rgSCardT1Pci = { SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST) };
const SCARD_IO_REQUEST g_rgSCardRawPci = { SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST) };

VELKOR_EXPORT LONG SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext)
{
    return ResourceManager::Instance().EstablishContext(dwScope, phContext);
}

VELKOR_EXPORT LONG SCardReleaseContext(SCARDCONTEXT hContext)
{
    return ResourceManager::Instance().ReleaseContext(hContext);
}

VELKOR_EXPORT LONG SCardIsValidContext(SCARDCONTEXT hContext)
{
    return ResourceManager::Instance().IsValidContext(hContext);
}

VELKOR_EXPORT LONG SCardListReaders(
    SCARDCONTEXT hContext, LPCSTR, LPSTR mszReaders, LPDWORD pcchReaders)
{
    auto& manager = ResourceManager::Instance();
    if (pcchReaders == nullptr || *pcchReaders != SCARD_AUTOALLOCATE) {
        return manager.ListReaders(hContext, mszReaders, pcchReaders);
    }
    // The library allocates; the caller frees with SCardFreeMemory.
    if (mszReaders == nullptr) {
        return SCARD_E_INVALID_PARAMETER;
    }
    DWORD length = 0;
    LONG result = manager.ListReaders(hContext, nullptr, &length);
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    auto* buffer = static_cast<char*>(std::malloc(length));
    if (buffer == nullptr) {
        return SCARD_E_NO_MEMORY;
    }
    result = manager.ListReaders(hContext, buffer, &length);
    if (result != SCARD_S_SUCCESS) {
        std::free(buffer);
        return result;
    }
    *reinterpret_cast<char**>(mszReaders) = buffer;
    *pcchReaders = length;
    return SCARD_S_SUCCESS;
}

VELKOR_EXPORT LONG SCardFreeMemory(SCARDCONTEXT, LPCVOID pvMem)
{
    std::free(const_cast<void*>(pvMem));
    return SCARD_S_SUCCESS;
}

VELKOR_EXPORT LONG SCardConnect(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode,
    DWORD dwPreferredProtocols, LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol)
{
    if (phCard != nullptr) {
        *phCard = 0; // pcsc-lite clears the handle first, so a failed connection leaves 0
    }
    return ResourceManager::Instance().Connect(
        hContext, szReader, dwShareMode, dwPreferredProtocols, phCard, pdwActiveProtocol);
}

VELKOR_EXPORT LONG SCardReconnect(SCARDHANDLE hCard, DWORD dwShareMode, DWORD dwPreferredProtocols,
    DWORD dwInitialization, LPDWORD pdwActiveProtocol)
{
    return ResourceManager::Instance().Reconnect(
        hCard, dwShareMode, dwPreferredProtocols, dwInitialization, pdwActiveProtocol);
}

VELKOR_EXPORT LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition)
{
    return ResourceManager::Instance().Disconnect(hCard, dwDisposition);
}

VELKOR_EXPORT LONG SCardBeginTransaction(SCARDHANDLE hCard)
{
    return ResourceManager::Instance().BeginTransaction(hCard);
}

VELKOR_EXPORT LONG SCardEndTransaction(SCARDHANDLE hCard, DWORD dwDisposition)
{
    return ResourceManager::Instance().EndTransaction(hCard, dwDisposition);
}

VELKOR_EXPORT LONG SCardStatus(SCARDHANDLE hCard, LPSTR mszReaderName, LPDWORD pcchReaderLen,
    LPDWORD pdwState, LPDWORD pdwProtocol, LPBYTE pbAtr, LPDWORD pcbAtrLen)
{
    return ResourceManager::Instance().Status(
        hCard, mszReaderName, pcchReaderLen, pdwState, pdwProtocol, pbAtr, pcbAtrLen);
}

VELKOR_EXPORT LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci,
    LPCBYTE pbSendBuffer, DWORD cbSendLength, SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer,
    LPDWORD pcbRecvLength)
{
    return ResourceManager::Instance().Transmit(
        hCard, pioSendPci, pbSendBuffer, cbSendLength, pioRecvPci, pbRecvBuffer, pcbRecvLength);
}

VELKOR_EXPORT LONG SCardGetAttrib(
    SCARDHANDLE hCard, DWORD dwAttrId, LPBYTE pbAttr, LPDWORD pcbAttrLen)
{
    return ResourceManager::Instance().GetAttrib(hCard, dwAttrId, pbAttr, pcbAttrLen);
}

VELKOR_EXPORT LONG SCardGetStatusChange(
    SCARDCONTEXT hContext, DWORD dwTimeout, SCARD_READERSTATE* rgReaderStates, DWORD cReaders)
{
    return ResourceManager::Instance().GetStatusChange(
        hContext, dwTimeout, rgReaderStates, cReaders);
}

} // extern "C"
