#include "host/tac_check.h"

#include <cctype>
#include <vector>

#include "crypto/data_process.h"

namespace velkor::host {

namespace {

constexpr size_t kCardKeySize = 16;
constexpr size_t kBlock = CDataProcess::kBlockSize;

} // namespace

std::string ComputeTac(
    std::span<const uint8_t> cardKey, std::string_view snum, std::string_view commandData)
{
    if (cardKey.size() != kCardKeySize) {
        return {};
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
        return {};
    }
    const Text tac = CDataProcess::HexText({ cipher.data() + length - kBlock, kBlock });
    return TextToUtf8(tac);
}

bool VerifyTac(std::span<const uint8_t> cardKey, std::string_view snum,
    std::string_view commandData, std::string_view tacHex)
{
    const std::string expected = ComputeTac(cardKey, snum, commandData);
    if (expected.empty() || tacHex.size() != expected.size()) {
        return false;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(tacHex[i])) != expected[i]) {
            return false;
        }
    }
    return true;
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
