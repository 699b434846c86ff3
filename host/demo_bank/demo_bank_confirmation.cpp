#include "demo_bank.h"
#include "demo_request.h"

// The message document of the control's confirmation dialog, built by the bank for the transaction
// it asks the card to sign: the dialog shows it and checks that the account, transferee and
// amount in it are the ones of the request, so a page cannot show the customer one transaction
// and have another signed.
namespace velkor::host {

std::string AmountText(const std::string& pMoney)
{
    std::string digits = pMoney.substr(std::min(pMoney.find_first_not_of('0'), pMoney.size()));
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return digits.substr(0, digits.size() - 2) + "." + digits.substr(digits.size() - 2);
}

namespace {

std::string Tag(int number, const std::string& text)
{
    const std::string name = "Tag" + std::to_string(number);
    return "<" + name + ">" + text + "</" + name + ">";
}

} // namespace

DemoBankReply DemoBank::ConfirmationDocument(std::string_view body)
{
    DemoRequest request;
    std::string type, pMoney, pAccount, pFdid, pImprtAccnt, record;
    if (!request.Parse(body) || !request.Text("type", 1, 16, FieldChars::Printable, type)) {
        return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
    }
    if (type == "record") {
        // No data checks for a record write: the customer reads what the card will sign.
        if (!request.Text("pApduCmd", 1, 128, FieldChars::Printable, record)
            || record.find_first_of("<>") != std::string::npos) {
            return ErrorReply(
                400, request.error().empty() ? "the record holds '<' or '>'" : request.error());
        }
        return JsonReply(200,
            { { "document",
                Tag(1, "寫入紀錄：確認交易資料") + Tag(2, "※請核對紀錄內容，並依畫面指示進行操作。")
                    + Tag(4, "紀錄內容") + Tag(5, record) } });
    }
    if (!request.Text("pMoney", 14, FieldChars::Digits, pMoney)
        || !request.Text("pAccount", 16, FieldChars::Digits, pAccount)
        || !request.Text("pFdid", 8, FieldChars::Digits, pFdid)
        || (type == "transfer"
            && !request.Text("pImprtAccnt", 16, FieldChars::Digits, pImprtAccnt))) {
        return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
    }
    std::string document;
    if (type == "withdrawal") {
        // Checked by the dialog: the account in Tag7, the amount in Tag13.
        document = Tag(1, "提款：確認交易資料") + Tag(2, "※請核對提款資料，並依畫面指示進行操作。")
            + Tag(4, "交易銀行") + Tag(5, "霖州銀行") + Tag(6, "提款帳號") + Tag(7, pAccount)
            + Tag(8, "交易序號") + Tag(9, pFdid) + Tag(12, "提款金額")
            + Tag(13, AmountText(pMoney));
    } else if (type == "transfer") {
        // Checked by the dialog: the account in Tag7, the transferee in Tag11, the amount in Tag13.
        document = Tag(1, "轉帳：確認交易資料") + Tag(2, "※請核對轉帳資料，並依畫面指示進行操作。")
            + Tag(4, "交易序號") + Tag(5, pFdid) + Tag(6, "轉出帳號") + Tag(7, pAccount)
            + Tag(8, "轉入銀行") + Tag(9, "霖州銀行") + Tag(10, "轉入帳號") + Tag(11, pImprtAccnt)
            + Tag(12, "轉帳金額") + Tag(13, AmountText(pMoney));
    } else {
        return ErrorReply(400, "field \"type\" must be withdrawal, transfer or record");
    }
    return JsonReply(200, { { "document", document } });
}

} // namespace velkor::host
