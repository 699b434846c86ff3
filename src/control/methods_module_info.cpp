#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddModuleInfoMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::GetAPIVersion>(8, "GetAPIVersion"));
    methods.push_back(Bind<&CVelkorCtrl::GetInstallWay>(81, "GetInstallWay"));
    methods.push_back(Bind<&CVelkorCtrl::GetLocaleType>(82, "GetLocaleType"));
}

} // namespace velkor
