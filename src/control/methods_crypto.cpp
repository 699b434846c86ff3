#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddCryptoMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::VerifyRN1andGenerateRN2>(1, "VerifyRN1andGenerateRN2"));
    methods.push_back(Bind<&CVelkorCtrl::GetEncryptRN2>(2, "GetEncryptRN2"));
    methods.push_back(Bind<&CVelkorCtrl::GetEncryptHashRN2>(3, "GetEncryptHashRN2"));
    methods.push_back(Bind<&CVelkorCtrl::GetSessionKeyHash>(4, "GetSessionKeyHash"));
    methods.push_back(Bind<&CVelkorCtrl::VerifySessionKeyHash>(5, "VerifySessionKeyHash"));
    methods.push_back(Bind<&CVelkorCtrl::DESEncipher>(6, "DESEncipher"));
    methods.push_back(Bind<&CVelkorCtrl::DESDecipher>(7, "DESDecipher"));
    methods.push_back(Bind<&CVelkorCtrl::ConvertIntToHex>(74, "ConvertIntToHex"));
    methods.push_back(Bind<&CVelkorCtrl::ConvertHexToInt>(75, "ConvertHexToInt"));
    methods.push_back(Bind<&CVelkorCtrl::DES>(76, "DES"));
    methods.push_back(Bind<&CVelkorCtrl::MAC>(77, "MAC"));
}

} // namespace velkor
