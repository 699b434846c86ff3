#pragma once

#include <cstdint>

#include "common/text.h"
#include "control/control_state.h"
#include "control/session_engine.h"

namespace velkor {

// The scriptable control: one per page. Each method checks the few arguments the control itself
// checks, hands the work to an engine and returns the engine's status, or a copy of a stored
// member. Methods are listed in the method table (method_table.h) under their dispatch ids.
//
// Parameter names follow the names pages know from the method table.
class CVelkorCtrl {
public:
    CVelkorCtrl();
    ~CVelkorCtrl();
    CVelkorCtrl(const CVelkorCtrl&) = delete;
    CVelkorCtrl& operator=(const CVelkorCtrl&) = delete;

    // Read-only view of the stored members, for diagnostics and tests.
    const ControlState& State() const { return state_; }

    // Reader and card session.
    int32_t ConnectReader();

    // Stored results.
    Text GetRespData();

    // The installed module: version, how it was installed, the system locale.
    Text GetAPIVersion();
    int32_t GetInstallWay();
    int32_t GetLocaleType();

private:
    SessionEngine sessionEngine_;
    ControlState state_;
};

} // namespace velkor
