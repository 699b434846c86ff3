#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddStoredResultMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::GetRespData>(9, "GetRespData"));
}

} // namespace velkor
