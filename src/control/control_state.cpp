#include "control/control_state.h"

#include "common/secure_buffer.h"

namespace velkor {

ControlState::~ControlState()
{
    // Texts that may hold deciphered or customer-typed data are overwritten before they go.
    WipeString(respData);
    WipeString(clearImportAccount);
    WipeString(clearFileName);
}

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
    cardStatusText.clear();
    respLength = 0;
    lastErrorCode = 0;
    WipeString(respData); // may hold a deciphered result
    respSnum.clear();
    respTac.clear();
    respDateTime.clear();
}

} // namespace velkor
