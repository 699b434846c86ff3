#pragma once

#include <array>
#include <cstdint>

#include "common/text.h"

namespace velkor {

// Everything the control keeps between calls. The engines fill these members and the getters
// return copies of them; a later call replaces or clears them.
struct ControlState {
    static constexpr int kReaderNameCapacity = 16;
    static constexpr int kReaderNameMaxChars = 63;
    static constexpr int kAccountCapacity = 10;

    int32_t readerSlotIndex = 0;
    int32_t readerCount = 0;
    std::array<Text, kReaderNameCapacity> readerNameTable;
    Text cardStatusText;

    std::array<Text, kAccountCapacity> ef1001Accounts;
    int32_t ef1001Count = 0;
    std::array<Text, kAccountCapacity> ef1002Accounts;
    int32_t ef1002Count = 0;

    Text respData;
    int32_t respLength = 0;
    int32_t lastErrorCode = 0;

    int32_t sessionKeyFlag = 0;
    Text sessionKeyHash;
    Text encryptedRn2;
    Text rn2Signature;

    Text encCommonAccount;

    Text respSnum;
    Text respTac;
    Text respDateTime;
    Text transactionIssuer;
    Text transactionRemark;
    Text transactionAccount;

    Text clearImportAccount;
    Text encImportAccount;

    Text clearFileName;
    Text encFileName;

    ControlState() = default;
    ControlState(const ControlState&) = delete;
    ControlState& operator=(const ControlState&) = delete;
    ~ControlState();

    // What ConnectCard, ReConnectCard and DisconnectCard clear (respData is wiped). Session-key,
    // common-account, import-account, file-name and the transaction issuer/remark/account texts
    // survive.
    void ClearCardSession();
};

} // namespace velkor
