#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Checking the TAC with which the virtual financial card signs a transaction (velkor_host). The
// card computes a CBC-MAC (ISO/IEC 9797-1 MAC algorithm 1, padding method 2, zero initial value)
// under its two-key TDEA key over the SNUM (8 characters, GetRespSNUM) followed by the
// transaction command's data: the request's fields in the card's order with the timestamp of
// GetRespDateTime (see TransactionCommandData). Cards of a real issuer use that issuer's
// algorithm.
namespace velkor::host {

// The TAC as GetRespTAC returns it (16 upper-case hexadecimal digits); empty when the key is not
// 16 bytes.
std::string ComputeTac(
    std::span<const uint8_t> cardKey, std::string_view snum, std::string_view commandData);

// Whether `tacHex` (either case) is the card's TAC over `snum` and `commandData`.
bool VerifyTac(std::span<const uint8_t> cardKey, std::string_view snum,
    std::string_view commandData, std::string_view tacHex);

// The command data of a withdrawal or tax payment, a transfer and a payment, as the control
// sends it: one byte per character, no separators.
std::string WithdrawalCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pAccount);
std::string TransferCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pImprtAccnt, std::string_view pAccount);
std::string PaymentCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pPaymentType, std::string_view pAccount, std::string_view pCancelNo);

} // namespace velkor::host
