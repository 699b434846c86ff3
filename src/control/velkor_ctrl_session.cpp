#include "control/velkor_ctrl.h"

#include "common/status_codes.h"

namespace velkor {

// The context is established by ListReaders or by the first connection.
int32_t CVelkorCtrl::ConnectReader()
{
    return status::kOk;
}

} // namespace velkor
