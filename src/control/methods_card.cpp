#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddCardMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::ListEF1001Accounts>(28, "ListEF1001Accounts"));
    methods.push_back(Bind<&CVelkorCtrl::GetEF1001TotalAccounts>(29, "GetEF1001TotalAccounts"));
    methods.push_back(Bind<&CVelkorCtrl::GetEF1001Account>(30, "GetEF1001Account"));
    methods.push_back(Bind<&CVelkorCtrl::ListEF1002Accounts>(31, "ListEF1002Accounts"));
    methods.push_back(Bind<&CVelkorCtrl::GetEF1002TotalAccounts>(32, "GetEF1002TotalAccounts"));
    methods.push_back(Bind<&CVelkorCtrl::GetEF1002Account>(33, "GetEF1002Account"));
    methods.push_back(Bind<&CVelkorCtrl::GetIssuerBank>(34, "GetIssuerBank"));
    methods.push_back(Bind<&CVelkorCtrl::GetICCRemark>(35, "GetICCRemark"));
    methods.push_back(Bind<&CVelkorCtrl::ReadCardSN>(36, "ReadCardSN"));
    methods.push_back(Bind<&CVelkorCtrl::VerifyPIN>(37, "VerifyPIN"));
    methods.push_back(Bind<&CVelkorCtrl::VerifyPINSnd>(39, "VerifyPINSnd"));
    methods.push_back(Bind<&CVelkorCtrl::ChangePIN>(41, "ChangePIN"));
    methods.push_back(Bind<&CVelkorCtrl::ChangePINSnd>(43, "ChangePINSnd"));
}

} // namespace velkor
