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

// Points the binding at `library` for the scope. The binding is dropped on both ends, so each
// test starts unbound and leaves nothing behind for the next.
class ScopedPcscLibrary {
public:
    explicit ScopedPcscLibrary(const std::string& library)
        : env_("VELKOR_PCSC_LIBRARY", library)
    {
        Drop();
    }
    ~ScopedPcscLibrary() { Drop(); }

    // Releases a context held through the bound library and unbinds it (binding nothing anew).
    static void Drop()
    {
        if (pcsc::IsPcscApiLoaded()) {
            pcsc::ReleaseReaderContext();
        }
        pcsc::UnloadPcscApi();
    }

private:
    ScopedEnv env_;
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
