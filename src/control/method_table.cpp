#include "control/method_table.h"

#include <algorithm>

#include "method_registry.h"

namespace velkor {

const std::vector<MethodInfo>& AllMethods()
{
    static const std::vector<MethodInfo> table = [] {
        std::vector<MethodInfo> methods;
        AddCardMethods(methods);
        AddCryptoMethods(methods);
        AddSessionMethods(methods);
        AddStoredResultMethods(methods);
        AddModuleInfoMethods(methods);
        AddTransactionMethods(methods);
        AddConfirmedMethods(methods);
        AddCommonAccountMethods(methods);
        AddTransferProcedureMethods(methods);
        AddNetBankMethods(methods);
        std::sort(methods.begin(), methods.end(),
            [](const MethodInfo& a, const MethodInfo& b) { return a.dispatchId < b.dispatchId; });
        return methods;
    }();
    return table;
}

const MethodInfo* FindMethod(std::string_view name)
{
    for (const auto& method : AllMethods()) {
        if (method.name == name) {
            return &method;
        }
    }
    return nullptr;
}

const MethodInfo* FindMethod(int32_t dispatchId)
{
    for (const auto& method : AllMethods()) {
        if (method.dispatchId == dispatchId) {
            return &method;
        }
    }
    return nullptr;
}

bool ArgumentsMatch(const MethodInfo& method, std::span<const MethodArgument> arguments)
{
    if (arguments.size() != method.params.size()) {
        return false;
    }
    for (size_t i = 0; i < arguments.size(); ++i) {
        const bool isInteger = std::holds_alternative<int32_t>(arguments[i]);
        if (isInteger != (method.params[i] == ValueType::Integer)) {
            return false;
        }
    }
    return true;
}

} // namespace velkor
