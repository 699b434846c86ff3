#include <algorithm>
#include <array>

#include "common/text.h"
#include "demo_bank.h"
#include "demo_request.h"
#include "host/common_account_form.h"

// Adding a common (frequently used) transfer-in account: the bank describes the control's
// common-account form (which banks it lists, which rows the customer fills in) and opens the
// enciphered account the form hands back. The web-ATM form also has a card PIN row, which the
// control verifies on the card and leaves out of what reaches the bank.
namespace velkor::host {

namespace {

struct DemoBankEntry {
    const char16_t* name;
    const char16_t* code;
};

constexpr std::array<DemoBankEntry, 5> kBanks { {
    { u"霖州銀行", u"822" },
    { u"臺灣銀行", u"004" },
    { u"土地銀行", u"005" },
    { u"合作金庫", u"006" },
    { u"第一銀行", u"007" },
} };

constexpr size_t kMinAccountDigits = 10;
constexpr size_t kMaxAccountDigits = 16;
constexpr int32_t kMaxNicknameChars = 20;
// GetEncCommAcc of the form's largest output (1,280 characters) in hexadecimal, with padding.
constexpr size_t kMaxEncipheredDigits = 5136;

// Row indexes, in the order the form shows and returns them (the web-ATM form's PIN row, last,
// gives no value).
enum Row : size_t { kBankRow, kAccountRow, kNicknameRow };

CommonAccountForm DemoForm(bool webAtm, bool fixedKeypad)
{
    CommonAccountForm form;
    form.caption = webAtm ? u"霖州銀行_網路Orvo" : u"霖州銀行_網路銀行_台幣常用轉入帳號-新增";
    form.title = u"常用轉入帳號 - 新增";
    form.fixedKeypad = fixedKeypad;
    CommonAccountRow bank { u"轉入銀行", u'0', u'0', 0, 0, true, {}, {} };
    for (const auto& entry : kBanks) {
        bank.items.push_back({ entry.name, entry.code });
    }
    form.rows.push_back(std::move(bank));
    // Typed on the keypad (the customer may switch to the keyboard).
    form.rows.push_back({ u"轉入帳號", u'3', u'3', static_cast<int32_t>(kMinAccountDigits),
        static_cast<int32_t>(kMaxAccountDigits), false, {}, {} });
    // Typed on the keyboard: Chinese is welcome.
    form.rows.push_back({ u"帳號暱稱", u'5', u'2', 0, kMaxNicknameChars, false, {}, {} });
    if (webAtm) {
        // Secret, key type 7: on the keypad, verified on the card, never part of the output.
        form.rows.push_back({ u"晶片卡密碼", u'6', u'7', 6, 12, false, {}, {} });
    }
    return form;
}

bool ReadFormKind(DemoRequest& request, bool& webAtm)
{
    std::string form;
    if (!request.Text("form", 3, 3, FieldChars::Printable, form)) {
        return false;
    }
    if (form != "web" && form != "net") {
        return request.Fail("field \"form\" must be web or net");
    }
    webAtm = form == "web";
    return true;
}

const DemoBankEntry* BankOf(std::u16string_view code)
{
    const auto found = std::find_if(kBanks.begin(), kBanks.end(),
        [code](const DemoBankEntry& entry) { return code == entry.code; });
    return found == kBanks.end() ? nullptr : &*found;
}

void WipeValues(std::vector<std::u16string>& values)
{
    for (auto& value : values) {
        WipeString(value);
    }
}

} // namespace

DemoBankReply DemoBank::CommonAccountDocument(std::string_view body)
{
    DemoRequest request;
    bool webAtm = false;
    std::string keypad;
    if (!request.Parse(body) || !ReadFormKind(request, webAtm)
        || !request.Text("keypad", 5, 8, FieldChars::Printable, keypad)
        || (keypad != "shuffled" && keypad != "fixed"
            && !request.Fail("field \"keypad\" must be shuffled or fixed"))) {
        return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
    }
    DemoBankReply refusal;
    const SecureBytes* key = SessionKeyOf(request, refusal);
    if (key == nullptr) {
        return refusal;
    }
    std::u16string document;
    std::string error;
    if (!BuildCommonAccountDocument(DemoForm(webAtm, keypad == "fixed"), *key, document, &error)) {
        return ErrorReply(500, "the bank could not describe the form: " + error);
    }
    return JsonReply(200, { { "document", TextToUtf8(document) } });
}

DemoBankReply DemoBank::OpenCommonAccount(std::string_view body)
{
    DemoRequest request;
    bool webAtm = false;
    std::string enciphered;
    if (!request.Parse(body) || !ReadFormKind(request, webAtm)
        || !request.Text("encCommAcc", 16, kMaxEncipheredDigits, FieldChars::Hex, enciphered)) {
        return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
    }
    DemoBankReply refusal;
    const SecureBytes* key = SessionKeyOf(request, refusal);
    if (key == nullptr) {
        return refusal;
    }
    std::vector<std::u16string> values;
    if (!host::OpenCommonAccount(DemoForm(webAtm, false), *key, enciphered, values)) {
        return JsonReply(200,
            { { "opened", false },
                { "reason", "not a common account of this form under the session key" } });
    }
    const DemoBankEntry* bank = BankOf(values[kBankRow]);
    const std::u16string& account = values[kAccountRow];
    const bool accountOk = account.size() >= kMinAccountDigits
        && account.size() <= kMaxAccountDigits
        && std::all_of(
            account.begin(), account.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    nlohmann::json reply;
    if (bank == nullptr) {
        reply = { { "opened", false }, { "reason", "no bank of the list was chosen" } };
    } else if (!accountOk) {
        reply = { { "opened", false }, { "reason", "the account must have 10 to 16 digits" } };
    } else {
        reply = { { "opened", true }, { "bankCode", TextToUtf8(bank->code) },
            { "bankName", TextToUtf8(bank->name) }, { "account", TextToUtf8(account) },
            { "nickname", TextToUtf8(values[kNicknameRow]) } };
    }
    WipeValues(values);
    return JsonReply(200, reply);
}

} // namespace velkor::host
