#include "control/velkor_ctrl.h"

#include "build_info.h"
#include "install_way.h"

namespace velkor {

// The version text is the same for the whole process, so it is built once.
Text CVelkorCtrl::GetAPIVersion()
{
    static const Text version = u"Version " + Utf8ToText(kBuildVersion) + u" ";
    return version;
}

int32_t CVelkorCtrl::GetInstallWay()
{
    return CurrentInstallWay();
}

int32_t CVelkorCtrl::GetLocaleType()
{
    return sessionEngine_.GetLocaleType();
}

} // namespace velkor
