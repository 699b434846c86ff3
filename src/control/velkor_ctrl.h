#pragma once

#include <cstdint>

#include "common/text.h"
#include "control/card_engine.h"
#include "control/control_state.h"
#include "control/session_engine.h"

namespace velkor {

// The scriptable control: one per page. Each method checks the few arguments the control itself
// checks, hands the work to an engine and returns the engine's status, or a copy of a stored
// member. Methods are listed in the method table (method_table.h) under their dispatch ids.
//
// Parameter names follow the names pages know from the method table.
class CVelkorCtrl {
public:
    CVelkorCtrl();
    // Releases the reader context and unloads the PC/SC binding.
    ~CVelkorCtrl();
    CVelkorCtrl(const CVelkorCtrl&) = delete;
    CVelkorCtrl& operator=(const CVelkorCtrl&) = delete;

    // Read-only view of the stored members, for diagnostics and tests.
    const ControlState& State() const { return state_; }

    // Reader and card session (velkor_ctrl_session.cpp).
    int32_t ConnectReader();
    int32_t ListReaders();
    int32_t GetReaderNumber();
    Text GetReaderName(int32_t Offset);
    int32_t ConnectCard(const OptText& pReaderName);
    int32_t ReConnectCard(const OptText& pReaderName, int32_t reset_flag);
    int32_t DisconnectCard();
    int32_t DisconnectReader();
    int32_t CheckCardInsert();
    Text GetCardStatus();
    Text GetReaderStatus(int32_t AttribID);

    // Stored results.
    Text GetRespData();

    // Mutual authentication and session key.
    int32_t VerifyRN1andGenerateRN2(int32_t RN1Len, const OptText& pCpukEncryptedRN1,
        int32_t DsigLen, const OptText& pSprkSignRN1);
    Text GetEncryptRN2();
    Text GetEncryptHashRN2();
    Text GetSessionKeyHash();
    int32_t VerifySessionKeyHash(const OptText& pCpukEncSessionKey, const OptText& pSessionKeyHash);
    int32_t DESEncipher(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
        int32_t DataLen, const OptText& pData);
    int32_t DESDecipher(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
        int32_t DataLen, const OptText& pData);

    // Cipher services and conversions.
    Text ConvertIntToHex(int32_t inLength, const OptText& pInval);
    Text ConvertHexToInt(int32_t inLength, const OptText& pInval);
    int32_t DES(int32_t Opflag, int32_t KeyLen, const OptText& KeyVal, const OptText& inData);
    int32_t MAC(int32_t KeyLen, const OptText& KeyVal, const OptText& ICV, int32_t inLen,
        const OptText& inData);

    // The installed module: version, how it was installed, the system locale.
    Text GetAPIVersion();
    int32_t GetInstallWay();
    int32_t GetLocaleType();

private:
    int32_t ConnectCardInto(const OptText& readerName);

    ControlState state_;
    CardEngine cardEngine_;
    SessionEngine sessionEngine_;
};

} // namespace velkor
