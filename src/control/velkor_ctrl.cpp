#include "control/velkor_ctrl.h"

#include "pcsc/reader_session.h"

namespace velkor {

CVelkorCtrl::CVelkorCtrl() = default;

CVelkorCtrl::~CVelkorCtrl()
{
    pcsc::ReleaseReaderContext();
}

Text CVelkorCtrl::GetRespData()
{
    return state_.RespData;
}

} // namespace velkor
