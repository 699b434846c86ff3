#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "control/method_table.h"
#include "control/velkor_ctrl.h"

namespace velkor {
namespace {

// The control's whole scripting interface as pages call it: dispatch id, name, parameter kinds in
// order (I integer, T text) and result kind. Methods are added to the table as they are built;
// each one added must match its row here.
struct ExpectedMethod {
    int32_t dispatchId;
    std::string_view name;
    std::string_view params;
    char result;
};

// clang-format off
constexpr std::array<ExpectedMethod, 84> kInterface { {
    { 1, "VerifyRN1andGenerateRN2", "ITIT", 'I' }, { 2, "GetEncryptRN2", "", 'T' },
    { 3, "GetEncryptHashRN2", "", 'T' }, { 4, "GetSessionKeyHash", "", 'T' },
    { 5, "VerifySessionKeyHash", "TT", 'I' }, { 6, "DESEncipher", "TTIT", 'I' },
    { 7, "DESDecipher", "TTIT", 'I' }, { 8, "GetAPIVersion", "", 'T' },
    { 9, "GetRespData", "", 'T' }, { 10, "FileTransfer", "TT", 'I' },
    { 11, "TransferNet", "TTT", 'I' }, { 12, "GetClearImportAccount", "", 'T' },
    { 13, "GetEncImportAccount", "", 'T' }, { 14, "GetClearCommAcc", "", 'T' },
    { 15, "GetEncCommAcc", "", 'T' }, { 16, "CommAccountNet", "TTT", 'I' },
    { 17, "ConnectReader", "", 'I' }, { 18, "ListReaders", "", 'I' },
    { 19, "GetReaderNumber", "", 'I' }, { 20, "GetReaderName", "I", 'T' },
    { 21, "DisconnectReader", "", 'I' }, { 22, "ConnectCard", "T", 'I' },
    { 23, "DisconnectCard", "", 'I' }, { 24, "ReConnectCard", "TI", 'I' },
    { 25, "CheckCardInsert", "", 'I' }, { 26, "GetCardStatus", "", 'T' },
    { 27, "GetReaderStatus", "I", 'T' }, { 28, "ListEF1001Accounts", "", 'I' },
    { 29, "GetEF1001TotalAccounts", "", 'I' }, { 30, "GetEF1001Account", "I", 'T' },
    { 31, "ListEF1002Accounts", "", 'I' }, { 32, "GetEF1002TotalAccounts", "", 'I' },
    { 33, "GetEF1002Account", "I", 'T' }, { 34, "GetIssuerBank", "", 'T' },
    { 35, "GetICCRemark", "", 'T' }, { 36, "ReadCardSN", "", 'T' },
    { 37, "VerifyPIN", "T", 'I' }, { 38, "VerifyPINEx", "TT", 'I' },
    { 39, "VerifyPINSnd", "", 'I' }, { 40, "VerifyPINSndEx", "T", 'I' },
    { 41, "ChangePIN", "TT", 'I' }, { 42, "ChangePINEx", "TTTT", 'I' },
    { 43, "ChangePINSnd", "T", 'I' }, { 44, "ChangePINSndEx", "TT", 'I' },
    { 45, "AccountInquiry", "TTT", 'I' }, { 46, "AccountInquiryEx", "TTTTTT", 'I' },
    { 47, "AccountInquirySnd", "TTTT", 'I' }, { 48, "AccountInquirySndEx", "TTTTT", 'I' },
    { 49, "AccountTransfer", "TTTTTT", 'I' }, { 50, "AccountTransferEx", "TTTTTTTTT", 'I' },
    { 51, "AccountTransferSnd", "TTTTTTT", 'I' }, { 52, "AccountTransferSndEx", "TTTTTTTT", 'I' },
    { 53, "AccountPayment", "TTTTTTT", 'I' }, { 54, "AccountPaymentEx", "TTTTTTTTTT", 'I' },
    { 55, "AccountPaymentSnd", "TTTTTTTT", 'I' }, { 56, "AccountPaymentSndEx", "TTTTTTTTT", 'I' },
    { 57, "AccountPayTax", "TTTTT", 'I' }, { 58, "AccountPayTaxEx", "TTTTTTTT", 'I' },
    { 59, "AccountPayTaxSnd", "TTTTTT", 'I' }, { 60, "AccountPayTaxSndEx", "TTTTTTT", 'I' },
    { 61, "AccountWithdraw", "TTTTT", 'I' }, { 62, "AccountWithdrawEx", "TTTTTTTT", 'I' },
    { 63, "AccountWithdrawSnd", "TTTTTT", 'I' }, { 64, "AccountWithdrawSndEx", "TTTTTTT", 'I' },
    { 65, "GetRespSNUM", "", 'T' }, { 66, "GetRespTAC", "", 'T' },
    { 67, "GetRespDateTime", "", 'T' }, { 68, "GetTransactionIssuer", "", 'T' },
    { 69, "GetTransactionRemark", "", 'T' }, { 70, "GetTransactionAccount", "", 'T' },
    { 71, "TransferProc", "TTTTTTTTTTTT", 'I' }, { 72, "TransferProcSnd", "TTTTTTTTTTT", 'I' },
    { 73, "CommAccountProc", "TTTT", 'I' }, { 74, "ConvertIntToHex", "IT", 'T' },
    { 75, "ConvertHexToInt", "IT", 'T' }, { 76, "DES", "IITT", 'I' },
    { 77, "MAC", "ITTIT", 'I' }, { 78, "GetRespLength", "", 'I' },
    { 79, "GetClearFileName", "", 'T' }, { 80, "GetEncFileName", "", 'T' },
    { 81, "GetInstallWay", "", 'I' }, { 82, "GetLocaleType", "", 'I' },
    { 83, "WriteRecordWithSNUMTAC", "TTTT", 'I' }, { 84, "WriteRecordWithSNUMTACSnd", "TTT", 'I' },
} };
// clang-format on

std::string KindsOf(const MethodInfo& method)
{
    std::string kinds;
    for (const ValueType type : method.params) {
        kinds.push_back(type == ValueType::Integer ? 'I' : 'T');
    }
    return kinds;
}

// A method that disappears, is registered twice or changes its id, name or signature fails here.
TEST(MethodTable, EveryRowIsRegisteredOnceAndEveryMethodMatchesItsRow)
{
    for (const ExpectedMethod& expected : kInterface) {
        const MethodInfo* method = FindMethod(expected.name);
        ASSERT_NE(method, nullptr) << expected.name << " is not registered";
        EXPECT_EQ(FindMethod(expected.dispatchId), method) << expected.name;
        EXPECT_EQ(method->dispatchId, expected.dispatchId) << expected.name;
        EXPECT_EQ(KindsOf(*method), expected.params) << expected.name;
        EXPECT_EQ(method->result == ValueType::Integer ? 'I' : 'T', expected.result)
            << expected.name;
    }
    EXPECT_EQ(AllMethods().size(), kInterface.size()) << "a method outside the interface";
    EXPECT_EQ(FindMethod("NoSuchMethod"), nullptr);
    EXPECT_EQ(FindMethod(0), nullptr);
}

TEST(MethodTable, ArgumentsMustMatchInCountAndType)
{
    const MethodInfo* method = FindMethod("ConnectReader");
    ASSERT_NE(method, nullptr);
    EXPECT_TRUE(ArgumentsMatch(*method, {}));
    const std::vector<MethodArgument> extra { int32_t { 1 } };
    EXPECT_FALSE(ArgumentsMatch(*method, extra));
}

} // namespace
} // namespace velkor
