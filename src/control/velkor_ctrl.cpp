#include "control/velkor_ctrl.h"

namespace velkor {

CVelkorCtrl::CVelkorCtrl() = default;

CVelkorCtrl::~CVelkorCtrl() = default;

Text CVelkorCtrl::GetRespData()
{
    return state_.RespData;
}

} // namespace velkor
