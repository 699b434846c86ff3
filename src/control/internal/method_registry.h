#pragma once

#include <vector>

#include "control/method_table.h"

// Each group of scripting methods registers its entries from its own source file.
namespace velkor {

void AddCardMethods(std::vector<MethodInfo>& methods);
void AddCryptoMethods(std::vector<MethodInfo>& methods);
void AddSessionMethods(std::vector<MethodInfo>& methods);
void AddStoredResultMethods(std::vector<MethodInfo>& methods);
void AddModuleInfoMethods(std::vector<MethodInfo>& methods);
void AddTransactionMethods(std::vector<MethodInfo>& methods);
// The methods that run the confirmation dialog before their card command.
void AddConfirmedMethods(std::vector<MethodInfo>& methods);
// The common-account procedures and their getters.
void AddCommonAccountMethods(std::vector<MethodInfo>& methods);
// The web-ATM transfer procedures and their import-account getters.
void AddTransferProcedureMethods(std::vector<MethodInfo>& methods);
// The net-bank procedures and the file transfer, with their getters.
void AddNetBankMethods(std::vector<MethodInfo>& methods);

} // namespace velkor
