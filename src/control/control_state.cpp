#include "control/control_state.h"

namespace velkor {

void ControlState::ClearCardSession()
{
    for (auto& account : ef1001Accounts) {
        account.clear();
    }
    for (auto& account : ef1002Accounts) {
        account.clear();
    }
    ef1001Count = 0;
    ef1002Count = 0;
    CardStatusText.clear();
    respLength = 0;
    LastErrorCode = 0;
    RespData.clear();
    respSnum.clear();
    respTac.clear();
    respDateTime.clear();
}

} // namespace velkor
