#include "host/tac_check.h"

#include <cstring>
#include <vector>

#include <openssl/crypto.h>

#include "crypto/data_process.h"

namespace velkor::host {

namespace {

constexpr size_t kCardKeySize = 16;
constexpr size_t kBlock = CDataProcess::kBlockSize;
constexpr size_t kTacBytes = 8;

// The last cipher block of the MAC, or false when the key is not 16 bytes.
bool TacBytes(std::span<const uint8_t> cardKey, std::string_view snum, std::string_view commandData,
    uint8_t (&tac)[kTacBytes])
{
    if (cardKey.size() != kCardKeySize) {
        return false;
    }
    std::vector<uint8_t> message(snum.begin(), snum.end());
    message.insert(message.end(), commandData.begin(), commandData.end());
    message.push_back(0x80);
    message.resize((message.size() + kBlock - 1) / kBlock * kBlock, 0x00);
    std::vector<uint8_t> cipher(message.size() + kBlock);
    size_t length = message.size();
    const uint8_t zeroIv[kBlock] = {};
    if (CDataProcess::DesEncrypt(cardKey.data(), KeyForm::TwoKey, &length, message.data(),
            cipher.data(), ChainMode::CbcNoPadding, zeroIv)
            != 0
        || length != message.size()) {
        return false;
    }
    std::memcpy(tac, cipher.data() + length - kBlock, kTacBytes);
    return true;
}

} // namespace

std::string ComputeTac(
    std::span<const uint8_t> cardKey, std::string_view snum, std::string_view commandData)
{
    uint8_t tac[kTacBytes];
    if (!TacBytes(cardKey, snum, commandData, tac)) {
        return {};
    }
    return TextToUtf8(CDataProcess::HexText(tac));
}

bool VerifyTac(std::span<const uint8_t> cardKey, std::string_view snum,
    std::string_view commandData, std::string_view tacHex)
{
    // The TAC a client sends is compared as bytes in constant time: an early exit would tell an
    // attacker how many leading bytes of a forged TAC are right.
    uint8_t given[kTacBytes];
    uint8_t expected[kTacBytes];
    if (tacHex.size() != 2 * kTacBytes
        || !CDataProcess::HexToBytes(tacHex.size(), Text(tacHex.begin(), tacHex.end()), given)
        || !TacBytes(cardKey, snum, commandData, expected)) {
        return false;
    }
    return CRYPTO_memcmp(given, expected, kTacBytes) == 0;
}

std::string WithdrawalCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pAccount)
{
    std::string data;
    for (const auto field : { pPCode, pMoney, pFdid, pFdChkCode, timestamp, pAccount }) {
        data += field;
    }
    return data;
}

std::string TransferCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pImprtAccnt, std::string_view pAccount)
{
    return WithdrawalCommandData(pPCode, pMoney, pFdid, pFdChkCode, timestamp, pImprtAccnt)
        + std::string(pAccount);
}

std::string PaymentCommandData(std::string_view pPCode, std::string_view pMoney,
    std::string_view pFdid, std::string_view pFdChkCode, std::string_view timestamp,
    std::string_view pPaymentType, std::string_view pAccount, std::string_view pCancelNo)
{
    return WithdrawalCommandData(pPCode, pMoney, pFdid, pFdChkCode, timestamp, pPaymentType)
        + std::string(pAccount) + std::string(pCancelNo);
}

} // namespace velkor::host
