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

} // namespace velkor
