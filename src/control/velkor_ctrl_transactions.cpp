#include "control/velkor_ctrl.h"

namespace velkor {

using transactions::TransactionFields;
using transactions::TransactionType;

transactions::TransactionRecord CVelkorCtrl::Record()
{
    return { state_.respSnum, state_.respTac, state_.respDateTime, state_.transactionIssuer,
        state_.transactionRemark, state_.transactionAccount };
}

int32_t CVelkorCtrl::RequestOnCard(TransactionType type, const TransactionFields& fields)
{
    auto record = Record();
    return cardEngine_.AccountRequest(state_.readerSlotIndex, type, fields, record);
}

int32_t CVelkorCtrl::RequestOnPinPad(
    const OptText& readerName, TransactionType type, const TransactionFields& fields)
{
    auto record = Record();
    return cardEngine_.AccountRequestSnd(readerName, type, fields, record, Page());
}

int32_t CVelkorCtrl::RequestConfirmed(const OptText& readerName, TransactionType type,
    const TransactionFields& fields, CardEngine::PinSource pinSource, const OptText& pin,
    const OptText& document)
{
    auto record = Record();
    return cardEngine_.AccountRequestConfirmed(
        readerName, type, fields, pinSource, pin, document, record, Page());
}

namespace {

using PinSource = CardEngine::PinSource;

TransactionFields InquiryFields(
    const OptText& pPCode, const OptText& pFdChkCode, const OptText& pAccountNumber)
{
    TransactionFields fields;
    fields.processingCode = pPCode;
    fields.checkCode = pFdChkCode;
    fields.inquiredAccount = pAccountNumber;
    return fields;
}

// Withdrawal and tax payment carry these fields; transfer and payment add their own.
TransactionFields AccountFields(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount)
{
    TransactionFields fields;
    fields.processingCode = pPCode;
    fields.requestId = pFdid;
    fields.checkCode = pFdChkCode;
    fields.amount = pMoney;
    fields.account = pAccount;
    return fields;
}

TransactionFields TransferFields(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
    const OptText& pAccount)
{
    TransactionFields fields = AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount);
    fields.importAccount = pImprtAccnt;
    return fields;
}

TransactionFields PaymentFields(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
    const OptText& pCancelNo, const OptText& pAccount)
{
    TransactionFields fields = AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount);
    fields.paymentType = pPaymentType;
    fields.cancellationNumber = pCancelNo;
    return fields;
}

} // namespace

int32_t CVelkorCtrl::AccountInquiry(
    const OptText& pPCode, const OptText& pFdChkCode, const OptText& pAccountNumber)
{
    return RequestOnCard(
        TransactionType::Inquiry, InquiryFields(pPCode, pFdChkCode, pAccountNumber));
}

// Works on the connected card, like the plain inquiry; the reader name is not used.
int32_t CVelkorCtrl::AccountInquirySnd(const OptText& pPCode, const OptText& pFdChkCode,
    const OptText& pAccountNumber, const OptText& /*pReaderName*/)
{
    auto record = Record();
    return cardEngine_.AccountInquirySnd(
        state_.readerSlotIndex, InquiryFields(pPCode, pFdChkCode, pAccountNumber), record, ui_);
}

int32_t CVelkorCtrl::AccountTransfer(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
    const OptText& pAccount)
{
    return RequestOnCard(TransactionType::Transfer,
        TransferFields(pPCode, pFdid, pFdChkCode, pMoney, pImprtAccnt, pAccount));
}

int32_t CVelkorCtrl::AccountTransferSnd(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
    const OptText& pAccount, const OptText& pReaderName)
{
    return RequestOnPinPad(pReaderName, TransactionType::Transfer,
        TransferFields(pPCode, pFdid, pFdChkCode, pMoney, pImprtAccnt, pAccount));
}

int32_t CVelkorCtrl::AccountPayment(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
    const OptText& pCancelNo, const OptText& pAccount)
{
    return RequestOnCard(TransactionType::Payment,
        PaymentFields(pPCode, pFdid, pFdChkCode, pMoney, pPaymentType, pCancelNo, pAccount));
}

int32_t CVelkorCtrl::AccountPaymentSnd(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
    const OptText& pCancelNo, const OptText& pAccount, const OptText& pReaderName)
{
    return RequestOnPinPad(pReaderName, TransactionType::Payment,
        PaymentFields(pPCode, pFdid, pFdChkCode, pMoney, pPaymentType, pCancelNo, pAccount));
}

int32_t CVelkorCtrl::AccountPayTax(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount)
{
    return RequestOnCard(
        TransactionType::PayTax, AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount));
}

int32_t CVelkorCtrl::AccountPayTaxSnd(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName)
{
    return RequestOnPinPad(pReaderName, TransactionType::PayTax,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount));
}

int32_t CVelkorCtrl::AccountWithdraw(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount)
{
    return RequestOnCard(
        TransactionType::Withdrawal, AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount));
}

int32_t CVelkorCtrl::AccountWithdrawSnd(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName)
{
    return RequestOnPinPad(pReaderName, TransactionType::Withdrawal,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount));
}

int32_t CVelkorCtrl::AccountInquiryEx(const OptText& pPCode, const OptText& pFdChkCode,
    const OptText& pAccountNumber, const OptText& pReaderName, const OptText& pPassword,
    const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Inquiry,
        InquiryFields(pPCode, pFdChkCode, pAccountNumber), PinSource::Typed, pPassword, pShowMsg);
}

int32_t CVelkorCtrl::AccountInquirySndEx(const OptText& pPCode, const OptText& pFdChkCode,
    const OptText& pAccountNumber, const OptText& pReaderName, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Inquiry,
        InquiryFields(pPCode, pFdChkCode, pAccountNumber), PinSource::None, std::nullopt, pShowMsg);
}

int32_t CVelkorCtrl::AccountTransferEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
    const OptText& pAccount, const OptText& pReaderName, const OptText& pPassword,
    const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Transfer,
        TransferFields(pPCode, pFdid, pFdChkCode, pMoney, pImprtAccnt, pAccount), PinSource::Typed,
        pPassword, pShowMsg);
}

int32_t CVelkorCtrl::AccountTransferSndEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pImprtAccnt,
    const OptText& pAccount, const OptText& pReaderName, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Transfer,
        TransferFields(pPCode, pFdid, pFdChkCode, pMoney, pImprtAccnt, pAccount), PinSource::None,
        std::nullopt, pShowMsg);
}

int32_t CVelkorCtrl::AccountPaymentEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
    const OptText& pCancelNo, const OptText& pAccount, const OptText& pReaderName,
    const OptText& pPassword, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Payment,
        PaymentFields(pPCode, pFdid, pFdChkCode, pMoney, pPaymentType, pCancelNo, pAccount),
        PinSource::Typed, pPassword, pShowMsg);
}

int32_t CVelkorCtrl::AccountPaymentSndEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pPaymentType,
    const OptText& pCancelNo, const OptText& pAccount, const OptText& pReaderName,
    const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Payment,
        PaymentFields(pPCode, pFdid, pFdChkCode, pMoney, pPaymentType, pCancelNo, pAccount),
        PinSource::None, std::nullopt, pShowMsg);
}

int32_t CVelkorCtrl::AccountPayTaxEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pPassword, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::PayTax,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount), PinSource::Typed, pPassword,
        pShowMsg);
}

int32_t CVelkorCtrl::AccountPayTaxSndEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::PayTax,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount), PinSource::None, std::nullopt,
        pShowMsg);
}

int32_t CVelkorCtrl::AccountWithdrawEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pPassword, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Withdrawal,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount), PinSource::Typed, pPassword,
        pShowMsg);
}

int32_t CVelkorCtrl::AccountWithdrawSndEx(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pShowMsg)
{
    return RequestConfirmed(pReaderName, TransactionType::Withdrawal,
        AccountFields(pPCode, pFdid, pFdChkCode, pMoney, pAccount), PinSource::None, std::nullopt,
        pShowMsg);
}

Text CVelkorCtrl::GetRespSNUM()
{
    return state_.respSnum;
}

Text CVelkorCtrl::GetRespTAC()
{
    return state_.respTac;
}

Text CVelkorCtrl::GetRespDateTime()
{
    return state_.respDateTime;
}

Text CVelkorCtrl::GetTransactionIssuer()
{
    return state_.transactionIssuer;
}

Text CVelkorCtrl::GetTransactionRemark()
{
    return state_.transactionRemark;
}

Text CVelkorCtrl::GetTransactionAccount()
{
    return state_.transactionAccount;
}

} // namespace velkor
