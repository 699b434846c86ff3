#pragma once

#include <cstdint>

#include "common/text.h"
#include "control/card_engine.h"
#include "control/control_state.h"
#include "control/page_interaction.h"
#include "control/session_engine.h"
#include "control/ui.h"

namespace velkor {

// The scriptable control: one per page. Each method checks the few arguments the control itself
// checks, hands the work to an engine and returns the engine's status, or a copy of a stored
// member. Methods are listed in the method table (method_table.h) under their dispatch ids.
//
// Parameter names follow the names pages know from the method table.
class CVelkorCtrl {
public:
    // Without a Ui the control shows its message boxes headless (HeadlessUi::Shared()).
    CVelkorCtrl();
    // `ui` must outlive the control.
    explicit CVelkorCtrl(Ui& ui);
    // Releases the control's own reader context and its hold on the PC/SC binding.
    ~CVelkorCtrl();
    CVelkorCtrl(const CVelkorCtrl&) = delete;
    CVelkorCtrl& operator=(const CVelkorCtrl&) = delete;

    // Read-only view of the stored members, for diagnostics and tests.
    const ControlState& State() const { return state_; }
    // The control's own reader session, for diagnostics and tests.
    pcsc::ReaderSession& Session() { return readerSession_; }

    // The page that owns the control has gone away. Called by the host before it closes the
    // dialogs of the running call; the call then sends no further card command.
    void MarkPageLeft() { presence_.MarkLeft(); }
    bool PageHasLeft() const { return presence_.Left(); }

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

    // Card files and PIN commands (velkor_ctrl_card.cpp).
    int32_t ListEF1001Accounts();
    int32_t GetEF1001TotalAccounts();
    Text GetEF1001Account(int32_t AccountNo);
    int32_t ListEF1002Accounts();
    int32_t GetEF1002TotalAccounts();
    Text GetEF1002Account(int32_t AccountNo);
    Text GetIssuerBank();
    Text GetICCRemark();
    Text ReadCardSN();
    int32_t VerifyPIN(const OptText& pPwdStr);
    int32_t VerifyPINSnd();
    int32_t ChangePIN(const OptText& pOldPwdStr, const OptText& pNewPwdStr);
    int32_t ChangePINSnd(const OptText& pAccountNo);

    // Confirmed card operations: the confirmation dialog first (velkor_ctrl_confirmed.cpp).
    int32_t VerifyPINEx(const OptText& pPwdStr, const OptText& pShowMsgStr);
    int32_t VerifyPINSndEx(const OptText& pShowMsgStr);
    int32_t ChangePINEx(const OptText& pOldPwdStr, const OptText& pNewPwdStr,
        const OptText& pShowMsgStr, const OptText& pAccountNo);
    int32_t ChangePINSndEx(const OptText& pShowMsgStr, const OptText& pAccountNo);
    int32_t WriteRecordWithSNUMTAC(const OptText& pReaderName, const OptText& pApduCmd,
        const OptText& pShowMsg, const OptText& pPassword);
    int32_t WriteRecordWithSNUMTACSnd(
        const OptText& pReaderName, const OptText& pApduCmd, const OptText& pShowMsg);
    int32_t AccountInquiryEx(const OptText& pPCode, const OptText& pFdChkCode,
        const OptText& pAccountNumber, const OptText& pReaderName, const OptText& pPassword,
        const OptText& pShowMsg);
    int32_t AccountInquirySndEx(const OptText& pPCode, const OptText& pFdChkCode,
        const OptText& pAccountNumber, const OptText& pReaderName, const OptText& pShowMsg);
    int32_t AccountTransferEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
        const OptText& pAccount, const OptText& pReaderName, const OptText& pPassword,
        const OptText& pShowMsg);
    int32_t AccountTransferSndEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
        const OptText& pAccount, const OptText& pReaderName, const OptText& pShowMsg);
    int32_t AccountPaymentEx(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pPaymentType, const OptText& pCancelNo,
        const OptText& pAccount, const OptText& pReaderName, const OptText& pPassword,
        const OptText& pShowMsg);
    int32_t AccountPaymentSndEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
        const OptText& pCancelNo, const OptText& pAccount, const OptText& pReaderName,
        const OptText& pShowMsg);
    int32_t AccountPayTaxEx(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount, const OptText& pReaderName,
        const OptText& pPassword, const OptText& pShowMsg);
    int32_t AccountPayTaxSndEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
        const OptText& pReaderName, const OptText& pShowMsg);
    int32_t AccountWithdrawEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
        const OptText& pReaderName, const OptText& pPassword, const OptText& pShowMsg);
    int32_t AccountWithdrawSndEx(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
        const OptText& pReaderName, const OptText& pShowMsg);

    // Common-account procedures and their results (velkor_ctrl_common_account.cpp).
    int32_t CommAccountProc(const OptText& pReaderName, const OptText& pSessionKeyHash,
        const OptText& pCpukEncSessionKey, const OptText& pCommonInfo);
    int32_t CommAccountNet(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
        const OptText& pCommonInfo);
    Text GetClearCommAcc();
    Text GetEncCommAcc();
    // The web-ATM transfer procedures and the import account they store
    // (velkor_ctrl_transfer.cpp).
    int32_t TransferProc(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount, const OptText& pReaderName,
        const OptText& pPassword, const OptText& pShowMsg, const OptText& pSessionKeyHash,
        const OptText& pCpukEncSessionKey, const OptText& CommonInfo, const OptText& ServiceType);
    int32_t TransferProcSnd(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount, const OptText& pReaderName,
        const OptText& pShowMsg, const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
        const OptText& CommonInfo, const OptText& ServiceType);
    Text GetClearImportAccount();
    Text GetEncImportAccount();

    // Transaction requests and their record (velkor_ctrl_transactions.cpp).
    int32_t AccountInquiry(
        const OptText& pPCode, const OptText& pFdChkCode, const OptText& pAccountNumber);
    int32_t AccountInquirySnd(const OptText& pPCode, const OptText& pFdChkCode,
        const OptText& pAccountNumber, const OptText& pReaderName);
    int32_t AccountTransfer(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pImprtAccnt, const OptText& pAccount);
    int32_t AccountTransferSnd(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
        const OptText& pAccount, const OptText& pReaderName);
    int32_t AccountPayment(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pPaymentType, const OptText& pCancelNo,
        const OptText& pAccount);
    int32_t AccountPaymentSnd(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
        const OptText& pCancelNo, const OptText& pAccount, const OptText& pReaderName);
    int32_t AccountPayTax(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount);
    int32_t AccountPayTaxSnd(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount, const OptText& pReaderName);
    int32_t AccountWithdraw(const OptText& pPCode, const OptText& pFdid, const OptText& pFdChkCode,
        const OptText& pMoney, const OptText& pAccount);
    int32_t AccountWithdrawSnd(const OptText& pPCode, const OptText& pFdid,
        const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
        const OptText& pReaderName);
    Text GetRespSNUM();
    Text GetRespTAC();
    Text GetRespDateTime();
    Text GetTransactionIssuer();
    Text GetTransactionRemark();
    Text GetTransactionAccount();

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

    // Net-bank procedures and file transfer (velkor_ctrl_net_bank.cpp).
    int32_t TransferNet(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
        const OptText& CommonInfo);
    int32_t FileTransfer(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey);
    int32_t GetRespLength();
    Text GetClearFileName();
    Text GetEncFileName();

    // The installed module: version, how it was installed, the system locale.
    Text GetAPIVersion();
    int32_t GetInstallWay();
    int32_t GetLocaleType();

private:
    int32_t ConnectCardInto(const OptText& readerName);
    transactions::TransactionRecord Record();
    // A transaction request on the connected card, or through the named PIN-pad reader, into the
    // stored record.
    int32_t RequestOnCard(
        transactions::TransactionType type, const transactions::TransactionFields& fields);
    int32_t RequestOnPinPad(const OptText& readerName, transactions::TransactionType type,
        const transactions::TransactionFields& fields);
    // A transaction request after the confirmation dialog, on the named reader.
    int32_t RequestConfirmed(const OptText& readerName, transactions::TransactionType type,
        const transactions::TransactionFields& fields, CardEngine::PinSource pinSource,
        const OptText& pin, const OptText& document);
    // A transfer procedure with its PIN source, into the stored record and import account.
    int32_t RunTransferProcedure(
        const CardEngine::TransferProcedureArguments& arguments, CardEngine::PinSource pinSource);
    PageInteraction Page() const { return PageInteraction(ui_, presence_); }

    Ui& ui_;
    PagePresence presence_;

    ControlState state_;
    // The control's own PC/SC context and reader slots: a page never uses another page's card
    // handles. Declared before the engine that works through it.
    pcsc::ReaderSession readerSession_;
    CardEngine cardEngine_ { readerSession_ };
    SessionEngine sessionEngine_;
};

} // namespace velkor
