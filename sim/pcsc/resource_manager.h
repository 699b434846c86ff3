#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <winscard.h>

#include "call_plans.h"
#include "sim_config.h"
#include "virtual_card.h"

// The simulated PC/SC resource manager: readers, cards, contexts and card handles, with
// pcsc-lite's results wherever a program can see them. One instance per process (as pcscd is one
// per machine), guarded by one mutex so that a timer or a second thread may call in.
namespace velkor::sim {

class ResourceManager {
public:
    static ResourceManager& Instance();

    // The PC/SC calls, with pcsc-lite's parameters.
    LONG EstablishContext(DWORD scope, SCARDCONTEXT* context);
    LONG ReleaseContext(SCARDCONTEXT context);
    LONG IsValidContext(SCARDCONTEXT context);
    LONG ListReaders(SCARDCONTEXT context, char* readers, DWORD* length);
    LONG Connect(SCARDCONTEXT context, const char* reader, DWORD shareMode, DWORD preferred,
        SCARDHANDLE* card, DWORD* activeProtocol);
    LONG Reconnect(SCARDHANDLE card, DWORD shareMode, DWORD preferred, DWORD initialization,
        DWORD* activeProtocol);
    LONG Disconnect(SCARDHANDLE card, DWORD disposition);
    LONG Status(SCARDHANDLE card, char* readerName, DWORD* readerLength, DWORD* state,
        DWORD* protocol, BYTE* atr, DWORD* atrLength);
    LONG Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, const BYTE* command,
        DWORD commandLength, SCARD_IO_REQUEST* receivePci, BYTE* response, DWORD* responseLength);
    LONG GetAttrib(SCARDHANDLE card, DWORD attribute, BYTE* value, DWORD* length);
    LONG BeginTransaction(SCARDHANDLE card);
    LONG EndTransaction(SCARDHANDLE card, DWORD disposition);
    LONG GetStatusChange(
        SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states, DWORD count);

    // Driving the simulation while a program runs (see velkor_sim.h for the codes).
    int Reload();
    int RemoveCard(const std::string& reader);
    int InsertCard(const std::string& reader, const char* cardJson);
    int GetScriptProgress(const std::string& reader, ScriptProgress& progress);
    // How many SCardConnect calls would have blocked on pcscd (see kWouldBlockResult).
    unsigned long BlockedConnects();

    // The answer to an SCardConnect that pcscd would keep waiting for: SCARD_E_TIMEOUT, which
    // SCardConnect itself never returns.
    static constexpr LONG kWouldBlockResult = SCARD_E_TIMEOUT;

private:
    struct Reader {
        ReaderConfig config;
        std::unique_ptr<VirtualCard> card;
        std::unique_ptr<VirtualCard> removedCard; // what a plain re-insertion puts back
        uint64_t generation = 0; // changes at every insertion and removal
        uint16_t eventCounter = 0;
        SCARDHANDLE lockHolder = 0;
        int lockDepth = 0;
    };
    struct Handle {
        SCARDCONTEXT context = 0;
        std::string reader;
        DWORD shareMode = 0;
        DWORD protocol = 0;
        uint64_t generation = 0;
        bool resetPending = false; // another handle reset or unpowered the card
    };

    ResourceManager() = default;

    bool Ready(bool followEnvironment);
    bool LoadFromEnvironment();
    void Install(SimConfig config);
    void Remove(Reader& reader);
    void Insert(Reader& reader, std::unique_ptr<VirtualCard> card);
    void AfterCall(const char* call);
    // Applies the card movements another process left in the file VELKOR_SIM_CONTROL names.
    void ApplyControlFile();
    std::optional<LONG> Fault(const char* call, const std::string* reader);

    Reader* FindReader(const std::string& name);
    Handle* FindHandle(SCARDHANDLE card);
    const std::string* ReaderOf(SCARDHANDLE card);
    // 0 when the handle may talk to its card now; the removed/reset/unavailable result otherwise.
    LONG CheckAccess(const Handle& handle, Reader*& reader);
    LONG CheckSharing(const Reader& reader, SCARDHANDLE except, DWORD shareMode) const;
    // Another handle holds the reader's transaction lock.
    static bool LockedByAnother(const Reader& reader, SCARDHANDLE card);
    bool HeldExclusively(const Reader& reader) const;
    void ApplyDisposition(Reader& reader, SCARDHANDLE actor, DWORD disposition);
    void DropHandle(SCARDHANDLE card);
    // The reader a driving call names: VELKOR_SIM_OK and the reader, or the call's failure code.
    int DrivenReader(const std::string& name, Reader*& reader);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool loaded_ = false;
    std::string loadedPath_;
    std::optional<std::string> failedPath_; // already reported as unusable ("" when unset)
    std::vector<Reader> readers_;
    FaultPlan faults_;
    EventPlan events_;
    std::set<SCARDCONTEXT> contexts_;
    std::map<SCARDHANDLE, Handle> handles_;
    SCARDCONTEXT nextContext_ = 0x0C000001;
    SCARDHANDLE nextHandle_ = 0x0A000001;
    uint64_t nextGeneration_ = 1;
    unsigned long blockedConnects_ = 0;
};

} // namespace velkor::sim
