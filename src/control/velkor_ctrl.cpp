#include "control/velkor_ctrl.h"

#include "control/headless_ui.h"

namespace velkor {

CVelkorCtrl::CVelkorCtrl()
    : ui_(HeadlessUi::Shared())
{
}

CVelkorCtrl::CVelkorCtrl(Ui& ui)
    : ui_(ui)
{
}

// The reader session's destructor releases the context and the binding.
CVelkorCtrl::~CVelkorCtrl() = default;

Text CVelkorCtrl::GetRespData()
{
    return state_.respData;
}

} // namespace velkor
