#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddTransferProcedureMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::GetClearImportAccount>(12, "GetClearImportAccount"));
    methods.push_back(Bind<&CVelkorCtrl::GetEncImportAccount>(13, "GetEncImportAccount"));
    methods.push_back(Bind<&CVelkorCtrl::TransferProc>(71, "TransferProc"));
    methods.push_back(Bind<&CVelkorCtrl::TransferProcSnd>(72, "TransferProcSnd"));
}

} // namespace velkor
