#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddTransactionMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::AccountInquiry>(45, "AccountInquiry"));
    methods.push_back(Bind<&CVelkorCtrl::AccountInquirySnd>(47, "AccountInquirySnd"));
    methods.push_back(Bind<&CVelkorCtrl::AccountTransfer>(49, "AccountTransfer"));
    methods.push_back(Bind<&CVelkorCtrl::AccountTransferSnd>(51, "AccountTransferSnd"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPayment>(53, "AccountPayment"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPaymentSnd>(55, "AccountPaymentSnd"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPayTax>(57, "AccountPayTax"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPayTaxSnd>(59, "AccountPayTaxSnd"));
    methods.push_back(Bind<&CVelkorCtrl::AccountWithdraw>(61, "AccountWithdraw"));
    methods.push_back(Bind<&CVelkorCtrl::AccountWithdrawSnd>(63, "AccountWithdrawSnd"));
    methods.push_back(Bind<&CVelkorCtrl::GetRespSNUM>(65, "GetRespSNUM"));
    methods.push_back(Bind<&CVelkorCtrl::GetRespTAC>(66, "GetRespTAC"));
    methods.push_back(Bind<&CVelkorCtrl::GetRespDateTime>(67, "GetRespDateTime"));
    methods.push_back(Bind<&CVelkorCtrl::GetTransactionIssuer>(68, "GetTransactionIssuer"));
    methods.push_back(Bind<&CVelkorCtrl::GetTransactionRemark>(69, "GetTransactionRemark"));
    methods.push_back(Bind<&CVelkorCtrl::GetTransactionAccount>(70, "GetTransactionAccount"));
}

} // namespace velkor
