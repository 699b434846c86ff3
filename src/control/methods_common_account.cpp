#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddCommonAccountMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::GetClearCommAcc>(14, "GetClearCommAcc"));
    methods.push_back(Bind<&CVelkorCtrl::GetEncCommAcc>(15, "GetEncCommAcc"));
    methods.push_back(Bind<&CVelkorCtrl::CommAccountNet>(16, "CommAccountNet"));
    methods.push_back(Bind<&CVelkorCtrl::CommAccountProc>(73, "CommAccountProc"));
}

} // namespace velkor
