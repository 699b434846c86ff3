#include "agent/process_hardening.h"

#include <sys/prctl.h>

namespace velkor {

bool ProtectProcessMemory(bool debuggable)
{
    if (debuggable) {
        return true;
    }
    return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
}

} // namespace velkor
