#include "control/method_binding.h"
#include "control/method_registry.h"

namespace velkor {

void AddSessionMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::ConnectReader>(17, "ConnectReader"));
}

} // namespace velkor
