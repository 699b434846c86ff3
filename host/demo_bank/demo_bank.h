#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "card_key_table.h"
#include "demo_sessions.h"
#include "host/bank_session.h"

// The demo bank's host endpoints, without sockets: each takes the JSON body of a POST request and
// gives the HTTP status and JSON body to answer with. Bank-side secrets (the host's private key,
// RN1, session keys, the cards' TAC keys) stay here; the page only relays values between these
// endpoints and the control.
//
//   POST /api/auth/start       {}                                 -> challenge for the control
//   POST /api/auth/finish      {session, encryptRN2, encryptHashRN2, sessionKeyHash}
//   POST /api/session-key      {session}                          -> session-key pair
//   POST /api/tac/verify       {type, fields…, timestamp, snum, tac, cardAccount}
//   POST /api/confirmation-document {type, pMoney, pAccount, pFdid, pImprtAccnt (transfer)}
//                              -> {document}: what the confirmation dialog shows and checks
//   POST /api/common-account/document {session, form: web|net, keypad: shuffled|fixed}
//                              -> {document}: the common-account form, its bank list enciphered
//                              under the session's key
//   POST /api/common-account/open {session, form, encCommAcc}
//                              -> {opened, bankCode, bankName, account, nickname} or
//                                 {opened: false, reason}: GetEncCommAcc deciphered and checked
//   POST /api/transfer/start   {session, pAccount, pMoney, serviceType}
//                              -> the TransferProc arguments the bank chose
//                              (demo_bank_transfer.cpp)
//   POST /api/transfer/verify  {session, clearImportAccount, encImportAccount, snum, tac,
//                               timestamp, cardAccount} -> the import account and the TAC checked
//
// Malformed requests get 400 (413 when too large), unknown sessions 404, requests the session's
// state does not allow 409, all with {"error": text}. A refused answer or TAC is not a bad request:
// 200 with "authenticated" / "verified" false and a "reason".
namespace velkor::host {

class DemoRequest;

struct DemoBankReply {
    int httpStatus = 200;
    std::string json;
};

class DemoBank {
public:
    // What /api/session-key enciphers under each new session key, for the page to have the control
    // decipher (DESDecipher) as proof that both sides hold the same key.
    static constexpr std::string_view kSessionGreeting = "VELKOR DEMO BANK: SESSION KEY OK";

    DemoBank(HostKeys keys, CardKeyTable cards, uint16_t agentPort);
    // Pending authentications refer to keys_: the bank stays where it was made.
    DemoBank(const DemoBank&) = delete;
    DemoBank& operator=(const DemoBank&) = delete;

    DemoBankReply Config() const;
    // `client` identifies the customer's browser: each client holds a bounded share of the
    // sessions (demo_sessions.h).
    DemoBankReply StartAuthentication(std::string_view body, std::string_view client = {});
    DemoBankReply FinishAuthentication(std::string_view body);
    DemoBankReply IssueSessionKey(std::string_view body);
    DemoBankReply VerifyTransaction(std::string_view body);
    DemoBankReply ConfirmationDocument(std::string_view body);
    // The common-account form (demo_bank_common_account.cpp).
    DemoBankReply CommonAccountDocument(std::string_view body);
    DemoBankReply OpenCommonAccount(std::string_view body);
    DemoBankReply StartTransfer(std::string_view body);
    DemoBankReply VerifyTransfer(std::string_view body);

    // The net bank (demo_bank_net_bank.cpp), for a session holding a session key:
    //   POST /api/net-bank/document  {session, dialog: 0 agreed, 1 common, 2 other, -1 transfer
    //                                 account, enciphered: bool}  -> {document} for TransferNet
    //   POST /api/net-bank/import-account {session, dialog, encImportAccount}
    //                                 -> {kind, bank, account, fields}: what the bank read
    //   POST /api/net-bank/file      {session, respLength, respData, encFileName}
    //                                 -> {path, name, size, sha256} of the deciphered file
    // The file endpoint takes bodies as large as the agent's largest answer (the enciphered
    // contents of the largest file a transfer takes) plus room for the path; every other endpoint
    // keeps DemoRequest::kMaxBodyBytes.
    static constexpr std::string_view kFileUploadPath = "/api/net-bank/file";
    static const size_t kMaxFileUploadBytes;
    DemoBankReply NetBankDialogDocument(std::string_view body);
    DemoBankReply NetBankChosenAccount(std::string_view body);
    DemoBankReply NetBankUploadedFile(std::string_view body);

    const DemoSessions& Sessions() const { return sessions_; }
    size_t CardCount() const { return cards_.CardCount(); }

private:
    bool AlreadyAccepted(const std::string& cardAccount, const std::string& snum) const;
    void RememberAccepted(const std::string& cardAccount, const std::string& snum);
    // The session key of the request's session, or null with the refusal in `reply`.
    const SecureBytes* SessionKeyOf(DemoRequest& request, DemoBankReply& reply);

    HostKeys keys_;
    CardKeyTable cards_;
    uint16_t agentPort_;
    DemoSessions sessions_;
    // SNUMs whose TAC was accepted, per card: a TAC is accepted once. Bounded, oldest dropped.
    std::set<std::string> accepted_;
    std::deque<std::string> acceptedOrder_;
    uint32_t transferCount_ = 0; // numbers the transfers' request ids
};

// Replies shared by the endpoint groups.
DemoBankReply JsonReply(int httpStatus, const nlohmann::json& body);
DemoBankReply ErrorReply(int httpStatus, std::string_view message);
// The amount of pMoney (hundredths) as the confirmation dialog expects to find it: the integer
// part, '.', two decimals; the dialog puts in the thousands separators itself.
std::string AmountText(const std::string& pMoney);

} // namespace velkor::host
