#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/wait.h"
#include "pcsc/reader_session.h"

// Shared by the PC/SC and control tests: choosing the PC/SC library a test runs against, and
// recording the session's waits instead of sleeping.
namespace velkor::testing {

// Sets an environment variable for the scope, restoring the previous value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            previous_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

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
        : env_("VELKOR_PCSC_LIBRARY", library)
        , previous_(CurrentTestSession())
    {
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
    ScopedEnv env_;
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
