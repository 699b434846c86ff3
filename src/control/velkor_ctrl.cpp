#include "control/velkor_ctrl.h"

#include "control/headless_ui.h"
#include "pcsc/reader_session.h"

namespace velkor {

CVelkorCtrl::CVelkorCtrl()
    : ui_(HeadlessUi::Shared())
{
}

CVelkorCtrl::CVelkorCtrl(Ui& ui)
    : ui_(ui)
{
}

CVelkorCtrl::~CVelkorCtrl()
{
    pcsc::ReleaseReaderContext();
}

Text CVelkorCtrl::GetRespData()
{
    return state_.RespData;
}

} // namespace velkor
