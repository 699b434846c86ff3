#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddConfirmedMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::VerifyPINEx>(38, "VerifyPINEx"));
    methods.push_back(Bind<&CVelkorCtrl::VerifyPINSndEx>(40, "VerifyPINSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::ChangePINEx>(42, "ChangePINEx"));
    methods.push_back(Bind<&CVelkorCtrl::ChangePINSndEx>(44, "ChangePINSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountInquiryEx>(46, "AccountInquiryEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountInquirySndEx>(48, "AccountInquirySndEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountTransferEx>(50, "AccountTransferEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountTransferSndEx>(52, "AccountTransferSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPaymentEx>(54, "AccountPaymentEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPaymentSndEx>(56, "AccountPaymentSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPayTaxEx>(58, "AccountPayTaxEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountPayTaxSndEx>(60, "AccountPayTaxSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountWithdrawEx>(62, "AccountWithdrawEx"));
    methods.push_back(Bind<&CVelkorCtrl::AccountWithdrawSndEx>(64, "AccountWithdrawSndEx"));
    methods.push_back(Bind<&CVelkorCtrl::WriteRecordWithSNUMTAC>(83, "WriteRecordWithSNUMTAC"));
    methods.push_back(
        Bind<&CVelkorCtrl::WriteRecordWithSNUMTACSnd>(84, "WriteRecordWithSNUMTACSnd"));
}

} // namespace velkor
