#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddNetBankMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::FileTransfer>(10, "FileTransfer"));
    methods.push_back(Bind<&CVelkorCtrl::TransferNet>(11, "TransferNet"));
    methods.push_back(Bind<&CVelkorCtrl::GetRespLength>(78, "GetRespLength"));
    methods.push_back(Bind<&CVelkorCtrl::GetClearFileName>(79, "GetClearFileName"));
    methods.push_back(Bind<&CVelkorCtrl::GetEncFileName>(80, "GetEncFileName"));
}

} // namespace velkor
