#include "control/velkor_ctrl.h"

namespace velkor {

Text CVelkorCtrl::GetClearImportAccount()
{
    return state_.clearImportAccount;
}

Text CVelkorCtrl::GetEncImportAccount()
{
    return state_.encImportAccount;
}

} // namespace velkor
