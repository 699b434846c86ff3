#include <gtest/gtest.h>

#include "demo_keys.h"
#include "dialogs/document_profile.h"
#include "dialogs/parameter_document.h"
#include "dialogs/session_list_decipher.h"
#include "host/tac_check.h"
#include "host/transfer_check.h"
#include "host/transfer_document.h"
#include "support/transfer_dialogs_ui.h"

// The bank's side of the web-ATM transfer: its document, the import account and the signed data.
namespace velkor {
namespace {

using host::ImportAccountCheck;

host::TransferDocument Contents()
{
    host::TransferDocument contents;
    contents.caption = u"轉帳";
    contents.keyType = 3;
    contents.timeoutSeconds = 45;
    contents.addToCommonChecked = true;
    contents.agreed = { u"約定帳號",
        { { u"台灣銀行-信義", u"004", u"12345678901234", u"" },
            { u"霖州銀行", u"822", u"8220099988877766", u"" } },
        true, 1 };
    contents.common
        = { u"常用帳號Type", { { u"媽媽", u"808", u"555666777", u"a@b.tw;c@d.tw" } }, false, 0 };
    contents.banks
        = { u"其他帳號", { { u"822 霖州銀行", u"822" }, { u"004 台灣銀行", u"004" } }, true, 0 };
    return contents;
}

TEST(TransferDocument, TheDialogReadsTheListsAndTheSettings)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const testing::IssuedKey keys = testing::IssueKey(host::NewSessionKey());
    std::u16string document;
    ASSERT_TRUE(host::BuildTransferDocument(Contents(), keys.key, document));
    EXPECT_EQ(document.find(u"12345678901234"), std::u16string::npos) << "enciphered in transit";

    SilentMessageSink messages;
    ParameterDocumentReader reader(ProfileFor(DialogKind::kTransSet),
        MakeSessionListDecipher(keys.hash, keys.encrypted), messages);
    ParameterDocument read;
    ASSERT_EQ(reader.Parse(Text(document), read), parse_result::kOk);
    EXPECT_EQ(read.timeoutSeconds, 45);
    EXPECT_EQ(read.check, 1);
    ASSERT_EQ(read.elements.size(), 3u);
    const auto& agreed = read.elements[0].items;
    ASSERT_EQ(agreed.Items().size(), 2u);
    EXPECT_EQ(agreed.Items()[0].display, u"台灣銀行-信義");
    EXPECT_EQ(agreed.Items()[0].value, u"004||12345678901234");
    EXPECT_EQ(agreed.Selected(), 1);
    const auto& common = read.elements[1];
    EXPECT_EQ(common.name, u"常用帳號Type") << "a name holding \"Type\" shadows no attribute";
    EXPECT_EQ(common.type, u'1');
    EXPECT_EQ(common.items.Items()[0].hidden, u"a@b.tw;c@d.tw");
    EXPECT_EQ(read.elements[2].items.Items()[1].display, u"004 台灣銀行");

    // An empty list travels plain and leaves its kind unavailable, without a complaint.
    host::TransferDocument contents = Contents();
    contents.common.items.clear();
    contents.common.enciphered = true;
    ASSERT_TRUE(host::BuildTransferDocument(contents, keys.key, document));
    ParameterDocument again;
    ASSERT_EQ(reader.Parse(Text(document), again), parse_result::kOk);
    EXPECT_FALSE(again.elements[1].available);
}

TEST(TransferDocument, TextsThatWouldChangeTheStructureAreRefused)
{
    const std::vector<std::function<void(host::TransferDocument&)>> breaks {
        [](auto& s) { s.agreed.name = u"a\"b"; },
        [](auto& s) { s.agreed.items[0].account = u"1234|5"; },
        [](auto& s) { s.common.items[0].email = u"a@b.tw;;c@d.tw"; },
        [](auto& s) { s.banks.items[0].display = u"<AtmNode"; },
        [](auto& s) { s.keyType = 7; },
    };
    const std::vector<uint8_t> key(16, 0x31);
    for (size_t i = 0; i < breaks.size(); ++i) {
        host::TransferDocument contents = Contents();
        breaks[i](contents);
        std::u16string document = u"untouched";
        EXPECT_FALSE(host::BuildTransferDocument(contents, key, document)) << i;
        EXPECT_EQ(document, u"untouched");
    }
    std::u16string document;
    EXPECT_FALSE(host::BuildTransferDocument(Contents(), {}, document))
        << "enciphered without a key";
}

TEST(ImportAccount, TheEncipheredAccountMustMatchTheClearOne)
{
    VELKOR_REQUIRE_HOST_KEYS();
    const testing::IssuedKey keys = testing::IssueKey(host::NewSessionKey());
    const std::u16string clear = u"004||12345678901234||2||2524||a@b.tw||";
    const std::string hex = TextToUtf8(testing::UnderSession(0, keys.hash, keys.encrypted, clear));
    host::ImportAccount account;
    ASSERT_EQ(host::CheckImportAccount(keys.key, hex, clear, account), ImportAccountCheck::Matches);
    EXPECT_EQ(account.bankCode, u"004");
    EXPECT_EQ(account.kind, u'2');
    EXPECT_EQ(account.transferCode, u"2524");
    EXPECT_EQ(account.email, u"a@b.tw");
    EXPECT_EQ(account.signedAccount, "0012345678901234");

    EXPECT_EQ(
        host::CheckImportAccount(keys.key, hex, u"004||12345678901235||2||2524||a@b.tw||", account),
        ImportAccountCheck::Mismatch);
    EXPECT_NE(host::CheckImportAccount(host::NewSessionKey(), hex, clear, account),
        ImportAccountCheck::Matches)
        << "another session's key";
    for (const std::u16string bad : { u"004||123||9||2524||", u"004||123||0||252A||",
             u"004||123||0||2524", u"004||123||0||" }) {
        const std::string badHex
            = TextToUtf8(testing::UnderSession(0, keys.hash, keys.encrypted, bad));
        EXPECT_EQ(host::CheckImportAccount(keys.key, badHex, bad, account),
            ImportAccountCheck::Malformed);
    }
}

TEST(ImportAccount, TheServiceAndTheTransferCodeDecideWhatWasSigned)
{
    host::ImportAccount account;
    account.transferCode = u"2523";
    account.signedAccount = "0000000123456789";
    host::TransferProcedureFields fields { "00000002", "87654321", "00000000020000",
        "8220012345678901", '2', "20240305070809" };
    EXPECT_EQ(host::TransferProcedureCommandData(fields, account),
        host::WithdrawalCommandData("2523", fields.pMoney, fields.pFdid, fields.pFdChkCode,
            fields.timestamp, fields.pAccount))
        << "service 2 with 2523: a tax payment";
    account.transferCode = u"2524";
    EXPECT_EQ(host::TransferProcedureCommandData(fields, account),
        host::TransferCommandData("2524", fields.pMoney, fields.pFdid, fields.pFdChkCode,
            fields.timestamp, account.signedAccount, fields.pAccount));
    fields.serviceType = '1';
    EXPECT_EQ(host::TransferProcedureCommandData(fields, account)->size(), 64u);
    fields.serviceType = '9';
    EXPECT_EQ(host::TransferProcedureCommandData(fields, account), std::nullopt);
}

} // namespace
} // namespace velkor
