#include <algorithm>
#include <charconv>

#include <openssl/evp.h>

#include "common/text.h"
#include "control/file_transfer_limits.h"
#include "demo_bank.h"
#include "demo_request.h"
#include "host/net_bank_document.h"
#include "host/transferred_file.h"

// The demo bank's net-bank pages: the documents that drive TransferNet's dialogs, built from the
// demo customer's accounts, and reading back what the customer chose and the file the customer
// sent, deciphered under the session key the bank issued to that session.
namespace velkor::host {

const size_t DemoBank::kMaxFileUploadBytes = kLargestTextAnswerBytes + (64 << 10);

namespace {

// The longest path the bank takes back (UTF-16 characters), in base64 of its encipherment.
constexpr size_t kMaxPathCharacters = 4096;
constexpr size_t kMaxEncipheredPathDigits = (2 * kMaxPathCharacters + 8 + 2) / 3 * 4;
constexpr size_t kMaxImportAccountDigits = 2 * (2 * 1800 + 8);

NetBankItem Account(const char16_t* display, const char16_t* bank, const char16_t* account,
    const char16_t* holder, const char16_t* hidden = u"")
{
    return { display, { bank, account, holder }, hidden };
}

NetBankList List(
    const char16_t* name, char16_t type, bool enciphered, std::vector<NetBankItem> items)
{
    NetBankList list;
    list.name = name;
    list.type = type;
    list.enciphered = enciphered;
    list.items = std::move(items);
    return list;
}

// The demo customer's accounts, as the bank would list them for each dialog.
NetBankDocument DemoDocument(NetBankDialogKind dialog, bool enciphered)
{
    const NetBankList agreed = List(u"約定帳號", u'0', enciphered,
        { Account(u"臺灣銀行 004-1234567890 (房租)", u"004", u"1234567890", u"林房東"),
            Account(u"霖州銀行 017-0001234567890 (薪轉)", u"017", u"0001234567890", u"王小明") });
    const NetBankList family = List(u"家人", u'1', enciphered,
        { Account(u"(媽媽)王美麗", u"017", u"0009876543210", u"王美麗", u"mom@example.com"),
            Account(u"(弟弟)王小華", u"812", u"0000123456", u"王小華") });
    const NetBankList colleagues = List(u"同事", u'1', enciphered,
        { Account(u"(Alice)陳愛麗", u"004", u"2223334445", u"陳愛麗"),
            Account(u"(Bob)李大同", u"700", u"00012345678901", u"李大同") });

    NetBankDocument document;
    document.dialog = dialog;
    document.timeoutSeconds = 90;
    switch (dialog) {
    case NetBankDialogKind::Agreed:
        document.lists = { agreed };
        break;
    case NetBankDialogKind::Common:
        document.filterField = 3;
        document.titles = { u"銀行別", u"帳號", u"收款人戶名" };
        document.lists = { family, colleagues };
        break;
    case NetBankDialogKind::Other: {
        NetBankList other;
        other.name = u"其它帳號";
        other.type = u'3';
        other.minLength = 7;
        other.maxLength = 16;
        document.keyType = 3;
        document.lists = { other };
        break;
    }
    case NetBankDialogKind::TransferAccount: {
        NetBankList banks = List(u"其他帳號", u'2', false, {});
        document.keyType = 3;
        document.lists = { agreed, family, colleagues, banks };
        break;
    }
    }
    return document;
}

bool DialogOf(DemoRequest& request, NetBankDialogKind& dialog)
{
    std::string text;
    if (!request.Text("dialog", 1, 2, FieldChars::Printable, text)) {
        return false;
    }
    for (const NetBankDialogKind kind : { NetBankDialogKind::Agreed, NetBankDialogKind::Common,
             NetBankDialogKind::Other, NetBankDialogKind::TransferAccount }) {
        if (text == std::to_string(static_cast<int>(kind))) {
            dialog = kind;
            return true;
        }
    }
    return request.Fail("field \"dialog\" must be \"0\", \"1\", \"2\" or \"-1\"");
}

std::string Sha256Hex(const SecureBytes& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        return {};
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0xF];
    }
    return hex;
}

DemoBankReply BadRequest(const DemoRequest& request)
{
    return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
}

} // namespace

const SecureBytes* DemoBank::SessionKeyOf(DemoRequest& request, DemoBankReply& reply)
{
    std::string id;
    if (!request.Session(id)) {
        reply = BadRequest(request);
        return nullptr;
    }
    DemoSession* session = sessions_.Find(id);
    if (session == nullptr) {
        reply = ErrorReply(404, "unknown session");
        return nullptr;
    }
    if (!session->authenticated || session->sessionKey.empty()) {
        reply = ErrorReply(409, "the session has no session key yet");
        return nullptr;
    }
    return &session->sessionKey;
}

DemoBankReply DemoBank::NetBankDialogDocument(std::string_view body)
{
    DemoRequest request;
    DemoBankReply refusal;
    NetBankDialogKind dialog {};
    std::string enciphered;
    if (!request.Parse(body) || !DialogOf(request, dialog)
        || !request.Text("enciphered", 0, 5, FieldChars::Printable, enciphered)) {
        return BadRequest(request);
    }
    const SecureBytes* key = SessionKeyOf(request, refusal);
    if (key == nullptr) {
        return refusal;
    }
    std::u16string document;
    std::string error;
    if (!BuildNetBankDocument(DemoDocument(dialog, enciphered == "true"), *key, document, &error)) {
        return ErrorReply(500, error);
    }
    return JsonReply(200, { { "document", TextToUtf8(document) } });
}

DemoBankReply DemoBank::NetBankChosenAccount(std::string_view body)
{
    DemoRequest request;
    DemoBankReply refusal;
    NetBankDialogKind dialog {};
    std::string enciphered;
    if (!request.Parse(body) || !DialogOf(request, dialog)
        || !request.Text(
            "encImportAccount", 16, kMaxImportAccountDigits, FieldChars::Hex, enciphered)) {
        return BadRequest(request);
    }
    const SecureBytes* key = SessionKeyOf(request, refusal);
    if (key == nullptr) {
        return refusal;
    }
    std::u16string text;
    if (!DecipherDialogResult(*key, enciphered, text)) {
        return JsonReply(
            200, { { "read", false }, { "reason", "not enciphered under this session's key" } });
    }
    const std::optional<NetBankImportAccount> account = ReadNetBankImportAccount(text, dialog);
    if (!account) {
        return JsonReply(200,
            { { "read", false },
                { "reason", "not an account of this dialog: " + TextToUtf8(text) } });
    }
    nlohmann::json fields = nlohmann::json::array();
    for (const std::u16string& field : account->moreFields) {
        fields.push_back(TextToUtf8(field));
    }
    return JsonReply(200,
        { { "read", true }, { "kind", TextToUtf8(std::u16string(1, account->kind)) },
            { "bank", TextToUtf8(account->bank) }, { "account", TextToUtf8(account->account) },
            { "fields", fields } });
}

DemoBankReply DemoBank::NetBankUploadedFile(std::string_view body)
{
    DemoRequest request;
    DemoBankReply refusal;
    std::string lengthText, contents, encipheredPath;
    if (!request.Parse(body, kMaxFileUploadBytes)
        || !request.Text("respLength", 1, 10, FieldChars::Digits, lengthText)
        || !request.Text("respData", 0, FileTransferBase64Length(kFileTransferMaxBytes),
            FieldChars::Base64, contents)
        || !request.Text(
            "encFileName", 1, kMaxEncipheredPathDigits, FieldChars::Base64, encipheredPath)) {
        return BadRequest(request);
    }
    const SecureBytes* key = SessionKeyOf(request, refusal);
    if (key == nullptr) {
        return refusal;
    }
    uint64_t length = 0;
    std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
    std::u16string path;
    if (!DecipherTransferredFileName(*key, encipheredPath, path)) {
        return JsonReply(200, { { "read", false }, { "reason", "the path does not decipher" } });
    }
    const std::string pathText = TextToUtf8(path);
    const size_t slash = pathText.find_last_of("/\\");
    nlohmann::json reply { { "path", pathText },
        { "name", slash == std::string::npos ? pathText : pathText.substr(slash + 1) } };
    // A response length of 0: the file was empty, missing or could not be read; whatever
    // RespData holds is not this file's.
    SecureBytes plain;
    if (length != 0
        && (!DecipherTransferredFile(*key, contents, plain) || plain.size() != length)) {
        reply["read"] = false;
        reply["reason"] = "the contents do not decipher to the length the control reported";
        return JsonReply(200, reply);
    }
    reply["read"] = true;
    reply["size"] = plain.size();
    reply["sha256"] = Sha256Hex(plain);
    return JsonReply(200, reply);
}

} // namespace velkor::host
