#include "method_binding.h"
#include "method_registry.h"

namespace velkor {

void AddSessionMethods(std::vector<MethodInfo>& methods)
{
    using binding::Bind;
    methods.push_back(Bind<&CVelkorCtrl::ConnectReader>(17, "ConnectReader"));
    methods.push_back(Bind<&CVelkorCtrl::ListReaders>(18, "ListReaders"));
    methods.push_back(Bind<&CVelkorCtrl::GetReaderNumber>(19, "GetReaderNumber"));
    methods.push_back(Bind<&CVelkorCtrl::GetReaderName>(20, "GetReaderName"));
    methods.push_back(Bind<&CVelkorCtrl::DisconnectReader>(21, "DisconnectReader"));
    methods.push_back(Bind<&CVelkorCtrl::ConnectCard>(22, "ConnectCard"));
    methods.push_back(Bind<&CVelkorCtrl::DisconnectCard>(23, "DisconnectCard"));
    methods.push_back(Bind<&CVelkorCtrl::ReConnectCard>(24, "ReConnectCard"));
    methods.push_back(Bind<&CVelkorCtrl::CheckCardInsert>(25, "CheckCardInsert"));
    methods.push_back(Bind<&CVelkorCtrl::GetCardStatus>(26, "GetCardStatus"));
    methods.push_back(Bind<&CVelkorCtrl::GetReaderStatus>(27, "GetReaderStatus"));
}

} // namespace velkor
