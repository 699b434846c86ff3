#include "crypto/data_process.h"
#include "demo_bank.h"
#include "demo_request.h"
#include "host/tac_check.h"
#include "host/transfer_check.h"
#include "host/transfer_document.h"

// The web-ATM transfer: the bank prepares the procedure's arguments (the lists of the
// transfer-account dialog, enciphered under the session key where they hold the customer's
// accounts, and the confirmation dialog's document), then checks what the page brings back: the
// import account the customer chose, enciphered under the same key, and the TAC the card signed
// the request with.
namespace velkor::host {

namespace {

constexpr char kProcessingCode[] = "2540"; // checked by the control; the dialog sets the code sent
constexpr size_t kMaxImportAccountChars = 600;
constexpr size_t kMaxEncipheredHexDigits = 2 * 2 * kMaxImportAccountChars + 16;

// The demo customer's accounts at the bank. The agreed ones were registered in advance: a
// transfer to one of them must name it exactly.
TransferDocument DemoTransferDocument()
{
    TransferDocument contents;
    contents.caption = u"霖州銀行 轉帳";
    contents.keyType = 3;
    contents.timeoutSeconds = 120;
    contents.agreed = { u"約定帳號",
        { { u"台灣銀行-信義分行", u"004", u"12345678901234", u"" },
            { u"霖州銀行-房貸", u"822", u"8220099988877766", u"" } },
        true, 0 };
    contents.common = { u"常用帳號",
        { { u"玉山銀行-王小明", u"808", u"0000555666777", u"ming@example.tw" },
            { u"霖州銀行-陳大華", u"822", u"8220011122233344", u"" } },
        true, 0 };
    contents.banks = { u"其他帳號",
        { { u"822 霖州銀行", u"822" }, { u"004 台灣銀行", u"004" }, { u"808 玉山銀行", u"808" },
            { u"812 台新銀行", u"812" } },
        false, 0 };
    return contents;
}

bool Offered(const TransferList<TransferAccountItem>& list, const ImportAccount& chosen)
{
    for (const TransferAccountItem& item : list.items) {
        if (item.bankCode == chosen.bankCode && item.account == chosen.account) {
            return true;
        }
    }
    return false;
}

// What the confirmation dialog shows and checks for the transfer: the payer's account in Tag7,
// the amount in Tag13; the payer's bank in Tag5 decides the transfer code (its code "822" found
// in it means a transfer within the bank).
std::string TransferConfirmationDocument(const std::string& pAccount, const std::string& pMoney)
{
    const auto tag = [](int number, const std::string& text) {
        const std::string name = "Tag" + std::to_string(number);
        return "<" + name + ">" + text + "</" + name + ">";
    };
    return tag(1, "轉帳：確認交易資料") + tag(2, "※請核對轉帳資料，並依畫面指示進行操作。")
        + tag(4, "轉出銀行") + tag(5, "霖州銀行 822") + tag(6, "轉出帳號") + tag(7, pAccount)
        + tag(8, "轉入銀行") + tag(10, "轉入帳號") + tag(12, "轉帳金額")
        + tag(13, AmountText(pMoney)) + tag(14, "Email通知");
}

std::string RandomDigits(size_t count)
{
    std::vector<uint8_t> raw(count);
    if (!CDataProcess::RandomBytes(raw.data(), raw.size(), RandomParity::AsDrawn)) {
        return {};
    }
    std::string digits;
    for (const uint8_t byte : raw) {
        digits.push_back(static_cast<char>('0' + byte % 10));
    }
    return digits;
}

const char* ImportAccountReason(ImportAccountCheck check)
{
    switch (check) {
    case ImportAccountCheck::Matches:
        return "";
    case ImportAccountCheck::Undecipherable:
        return "the enciphered import account does not decipher under the session key";
    case ImportAccountCheck::Mismatch:
        return "the enciphered import account is not the clear one";
    case ImportAccountCheck::Malformed:
        return "the import account is not one the transfer dialog writes";
    }
    return "refused";
}

DemoBankReply BadRequest(const DemoRequest& request)
{
    return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
}

DemoBankReply Verdict(bool importAccountMatches, std::string_view reason,
    const nlohmann::json& importAccount = nullptr)
{
    return JsonReply(200,
        { { "importAccountMatches", importAccountMatches }, { "verified", false },
            { "reason", reason }, { "importAccount", importAccount } });
}

} // namespace

DemoBankReply DemoBank::StartTransfer(std::string_view body)
{
    DemoRequest request;
    std::string id, pAccount, pMoney, service;
    if (!request.Parse(body) || !request.Session(id)
        || !request.Text("pAccount", 16, FieldChars::Digits, pAccount)
        || !request.Text("pMoney", 14, FieldChars::Digits, pMoney)
        || !request.Text("serviceType", 1, FieldChars::Digits, service)) {
        return BadRequest(request);
    }
    DemoSession* session = sessions_.Find(id);
    if (session == nullptr) {
        return ErrorReply(404, "unknown session");
    }
    if (session->sessionKey.empty()) {
        return ErrorReply(409, "the session has no session key yet");
    }
    std::u16string document;
    DemoTransfer transfer { "", RandomDigits(8), pMoney, pAccount, service[0] };
    const std::string count = std::to_string(++transferCount_ % 100000000);
    transfer.pFdid = std::string(8 - count.size(), '0') + count;
    if (transfer.pFdChkCode.empty()
        || !BuildTransferDocument(DemoTransferDocument(), session->sessionKey, document)) {
        return ErrorReply(500, "the bank could not prepare the transfer");
    }
    session->transfer = transfer;
    return JsonReply(200,
        { { "pPCode", kProcessingCode }, { "pFdid", transfer.pFdid },
            { "pFdChkCode", transfer.pFdChkCode }, { "pMoney", pMoney }, { "pAccount", pAccount },
            { "pShowMsg", TransferConfirmationDocument(pAccount, pMoney) },
            { "CommonInfo", TextToUtf8(document) }, { "ServiceType", service } });
}

DemoBankReply DemoBank::VerifyTransfer(std::string_view body)
{
    DemoRequest request;
    std::string id, clear, enciphered, snum, tac, timestamp, cardAccount;
    if (!request.Parse(body) || !request.Session(id)
        || !request.Text(
            "clearImportAccount", 1, kMaxImportAccountChars, FieldChars::Printable, clear)
        || !request.Text(
            "encImportAccount", 16, kMaxEncipheredHexDigits, FieldChars::Hex, enciphered)
        || !request.Text("snum", 8, FieldChars::Printable, snum)
        || !request.Text("tac", 16, FieldChars::Hex, tac)
        || !request.Text("timestamp", 14, FieldChars::Digits, timestamp)
        || !request.Text("cardAccount", 16, FieldChars::Printable, cardAccount)) {
        return BadRequest(request);
    }
    DemoSession* session = sessions_.Find(id);
    if (session == nullptr) {
        return ErrorReply(404, "unknown session");
    }
    if (!session->transfer) {
        return ErrorReply(409, "no transfer of this session is waiting to be checked");
    }
    // One check per prepared transfer, whatever its outcome.
    const DemoTransfer transfer = *session->transfer;
    session->transfer.reset();

    ImportAccount chosen;
    const ImportAccountCheck check
        = CheckImportAccount(session->sessionKey, enciphered, Utf8ToText(clear), chosen);
    if (check != ImportAccountCheck::Matches) {
        return Verdict(false, ImportAccountReason(check));
    }
    const nlohmann::json shown
        = { { "bankCode", TextToUtf8(chosen.bankCode) }, { "account", TextToUtf8(chosen.account) },
              { "kind", std::string(1, static_cast<char>(chosen.kind)) },
              { "transferCode", TextToUtf8(chosen.transferCode) },
              { "email", TextToUtf8(chosen.email) } };
    const TransferDocument offered = DemoTransferDocument();
    if (chosen.kind == u'0' && !Offered(offered.agreed, chosen)) {
        return Verdict(true, "the import account is not one of the agreed accounts", shown);
    }
    const std::optional<std::string> commandData
        = TransferProcedureCommandData({ transfer.pFdid, transfer.pFdChkCode, transfer.pMoney,
                                           transfer.pAccount, transfer.serviceType, timestamp },
            chosen);
    if (!commandData) {
        return Verdict(true, "the service asks the card to sign nothing", shown);
    }
    const SecureBytes* key = cards_.KeyForAccount(cardAccount);
    if (key == nullptr) {
        return Verdict(true, "the bank holds no key for the card of account " + cardAccount, shown);
    }
    if (!VerifyTac(*key, snum, *commandData, tac)) {
        return Verdict(true, "the TAC does not match the transfer to the chosen account", shown);
    }
    if (AlreadyAccepted(cardAccount, snum)) {
        return Verdict(true, "this card's SNUM " + snum + " was already accepted", shown);
    }
    RememberAccepted(cardAccount, snum);
    return JsonReply(200,
        { { "importAccountMatches", true }, { "verified", true }, { "importAccount", shown },
            { "snum", snum } });
}

} // namespace velkor::host
