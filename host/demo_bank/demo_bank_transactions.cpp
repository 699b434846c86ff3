#include "demo_bank.h"
#include "demo_request.h"
#include "host/tac_check.h"

// Checking the TAC of a card-signed transaction that the page forwards.
namespace velkor::host {

namespace {

constexpr size_t kMaxAcceptedRemembered = 4096;
// WriteRecordWithSNUMTAC takes at most this many characters.
constexpr size_t kMaxRecordChars = 128;

struct TransactionFields {
    std::string pPCode, pMoney, pFdid, pFdChkCode, pAccount;
    std::string pImprtAccnt, pPaymentType, pCancelNo;
    std::string timestamp, snum, tac, cardAccount;
};

// The command data the card signed, rebuilt from the request; false with the request's error.
bool ReadTransaction(DemoRequest& request, TransactionFields& f, std::string& commandData)
{
    std::string type;
    if (!request.Text("type", 1, 16, FieldChars::Printable, type)) {
        return false;
    }
    if (type == "record") {
        // A record written with SNUM and TAC: the card signed the record's characters.
        std::string record;
        if (!request.Text("pApduCmd", 1, kMaxRecordChars, FieldChars::Printable, record)
            || !request.Text("snum", 8, FieldChars::Printable, f.snum)
            || !request.Text("tac", 16, FieldChars::Hex, f.tac)
            || !request.Text("cardAccount", 16, FieldChars::Printable, f.cardAccount)) {
            return false;
        }
        commandData = record;
        return true;
    }
    if (!request.Text("pPCode", 4, FieldChars::Printable, f.pPCode)
        || !request.Text("pFdid", 8, FieldChars::Printable, f.pFdid)
        || !request.Text("pFdChkCode", 8, FieldChars::Printable, f.pFdChkCode)
        || !request.Text("pMoney", 14, FieldChars::Digits, f.pMoney)
        || !request.Text("pAccount", 16, FieldChars::Printable, f.pAccount)
        || !request.Text("timestamp", 14, FieldChars::Digits, f.timestamp)
        || !request.Text("snum", 8, FieldChars::Printable, f.snum)
        || !request.Text("tac", 16, FieldChars::Hex, f.tac)
        || !request.Text("cardAccount", 16, FieldChars::Printable, f.cardAccount)) {
        return false;
    }
    if (type == "withdrawal" || type == "taxPayment") {
        commandData = WithdrawalCommandData(
            f.pPCode, f.pMoney, f.pFdid, f.pFdChkCode, f.timestamp, f.pAccount);
        return true;
    }
    if (type == "transfer") {
        if (!request.Text("pImprtAccnt", 16, FieldChars::Printable, f.pImprtAccnt)) {
            return false;
        }
        commandData = TransferCommandData(
            f.pPCode, f.pMoney, f.pFdid, f.pFdChkCode, f.timestamp, f.pImprtAccnt, f.pAccount);
        return true;
    }
    if (type == "payment") {
        if (!request.Text("pPaymentType", 5, FieldChars::Printable, f.pPaymentType)
            || !request.Text("pCancelNo", 16, FieldChars::Printable, f.pCancelNo)) {
            return false;
        }
        commandData = PaymentCommandData(f.pPCode, f.pMoney, f.pFdid, f.pFdChkCode, f.timestamp,
            f.pPaymentType, f.pAccount, f.pCancelNo);
        return true;
    }
    return request.Fail(
        "field \"type\" must be withdrawal, taxPayment, transfer, payment or record");
}

DemoBankReply NotVerified(std::string_view reason)
{
    return JsonReply(200, { { "verified", false }, { "reason", reason } });
}

} // namespace

DemoBankReply DemoBank::VerifyTransaction(std::string_view body)
{
    DemoRequest request;
    TransactionFields fields;
    std::string commandData;
    if (!request.Parse(body) || !ReadTransaction(request, fields, commandData)) {
        return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
    }
    const SecureBytes* key = cards_.KeyForAccount(fields.cardAccount);
    if (key == nullptr) {
        return NotVerified("the bank holds no key for the card of account " + fields.cardAccount);
    }
    if (!VerifyTac(*key, fields.snum, commandData, fields.tac)) {
        return NotVerified("the TAC does not match the transaction");
    }
    if (AlreadyAccepted(fields.cardAccount, fields.snum)) {
        return NotVerified("this card's SNUM " + fields.snum + " was already accepted");
    }
    RememberAccepted(fields.cardAccount, fields.snum);
    for (char& c : fields.tac) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return JsonReply(200,
        { { "verified", true }, { "snum", fields.snum }, { "tac", fields.tac },
            { "timestamp", fields.timestamp } });
}

bool DemoBank::AlreadyAccepted(const std::string& cardAccount, const std::string& snum) const
{
    return accepted_.count(cardAccount + "/" + snum) != 0;
}

void DemoBank::RememberAccepted(const std::string& cardAccount, const std::string& snum)
{
    if (acceptedOrder_.size() >= kMaxAcceptedRemembered) {
        accepted_.erase(acceptedOrder_.front());
        acceptedOrder_.pop_front();
    }
    acceptedOrder_.push_back(cardAccount + "/" + snum);
    accepted_.insert(acceptedOrder_.back());
}

} // namespace velkor::host
