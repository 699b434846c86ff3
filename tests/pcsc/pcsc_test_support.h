#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/wait.h"
#include "pcsc/reader_session.h"
#include "support/scoped_environment.h"

// Shared by the PC/SC and control tests: choosing the PC/SC library a test runs against, and
// recording the session's waits instead of sleeping.
namespace velkor::testing {

// The reader session a PC/SC test drives: the one of the innermost ScopedPcscLibrary.
inline pcsc::ReaderSession*& CurrentTestSession()
{
    static pcsc::ReaderSession* session = nullptr;
    return session;
}
inline pcsc::ReaderSession& Session()
{
    return *CurrentTestSession();
}

// Points the binding at `library` for the scope, with a fresh reader session (Session()). The
// binding is dropped on both ends, so each test starts unbound and leaves nothing behind.
class ScopedPcscLibrary {
public:
    explicit ScopedPcscLibrary(const std::string& library)
        : previous_(CurrentTestSession())
    {
        env_.Set("VELKOR_PCSC_LIBRARY", library);
        pcsc::UnloadPcscApi();
        session_.emplace();
        CurrentTestSession() = &*session_;
    }
    ~ScopedPcscLibrary()
    {
        session_.reset(); // releases its context through the library still bound
        CurrentTestSession() = previous_;
        pcsc::UnloadPcscApi();
    }

private:
    ScopedEnvironment env_;
    pcsc::ReaderSession* previous_;
    std::optional<pcsc::ReaderSession> session_;
};

// Records every wait the session asks for, without sleeping.
class WaitRecorder {
public:
    WaitRecorder()
        : hook_([this](int milliseconds) { waits.push_back(milliseconds); })
    {
    }
    std::vector<int> waits;

private:
    ScopedWaitHook hook_;
};

} // namespace velkor::testing
