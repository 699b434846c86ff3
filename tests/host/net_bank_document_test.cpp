#include <gtest/gtest.h>

#include "common/secure_buffer.h"
#include "control/net_bank_function_type.h"
#include "host/bank_session.h"
#include "host/net_bank_document.h"

// The bank's net-bank documents as the control reads them, and the import accounts coming back.
namespace velkor::host {
namespace {

const uint8_t kSessionKey[16] = { 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA,
    0x98, 0x76, 0x54, 0x32, 0x10 };

NetBankDocument CommonAccounts(bool enciphered)
{
    NetBankDocument document;
    document.dialog = NetBankDialogKind::Common;
    document.filterField = 3;
    document.titles = { u"銀行別", u"帳號", u"戶名" };
    NetBankList group;
    group.name = u"Admin 家人";
    group.type = u'1';
    group.enciphered = enciphered;
    group.items = { { u"(1)王小明", { u"004", u"1234567890", u"王小明" }, u"" },
        { u"(2)李大華", { u"812", u"0000123456", u"李大華" }, u"mail" } };
    document.lists = { group };
    return document;
}

TEST(NetBankDocument, CarriesListsPlainOrEnciphered)
{
    std::u16string text;
    ASSERT_TRUE(BuildNetBankDocument(CommonAccounts(false), {}, text));
    EXPECT_EQ(ReadFunctionType(text), 1);
    EXPECT_EQ(text,
        u"<Caption>霖州銀行_網路銀行</Caption><FunType>1</FunType><TimeOut>60</TimeOut>"
        u"<Filter>3</Filter><Title>銀行別</Title><Title>帳號</Title><Title>戶名</Title>"
        u"<AtmNode Type=\"1\" Ciph=\"0\" Default=\"0\" Name=\"Admin 家人\">"
        u"(1)王小明%%004||1234567890||王小明;;(2)李大華%%812||0000123456||李大華$$mail;;"
        u"</AtmNode>");

    ASSERT_TRUE(BuildNetBankDocument(CommonAccounts(true), kSessionKey, text));
    const size_t start = text.find(u'>', text.find(u"<AtmNode")) + 1;
    const std::u16string hex = text.substr(start, text.find(u"</AtmNode>") - start);
    EXPECT_EQ(hex.size() % 16, 0u);
    std::u16string items;
    ASSERT_TRUE(DecipherDialogResult(kSessionKey, std::string(hex.begin(), hex.end()), items));
    EXPECT_EQ(
        items, u"(1)王小明%%004||1234567890||王小明;;(2)李大華%%812||0000123456||李大華$$mail;;");

    NetBankDocument other;
    other.dialog = NetBankDialogKind::Other;
    NetBankList oneAccount;
    oneAccount.name = u"其它帳號";
    oneAccount.type = u'3';
    oneAccount.preset = u"1234567";
    oneAccount.minLength = 7;
    oneAccount.maxLength = 14;
    oneAccount.addToCommonChecked = true;
    other.lists = { oneAccount };
    ASSERT_TRUE(BuildNetBankDocument(other, {}, text));
    EXPECT_NE(text.find(u"<AtmNode Type=\"3\" Ciph=\"0\" Default=\"14\" min=\"7\" check=\"1\" "
                        u"Name=\"其它帳號\">1234567</AtmNode>"),
        std::u16string::npos);
}

TEST(NetBankDocument, RefusesTextsTheScannerWouldSplit)
{
    std::u16string text = u"before";
    std::string error;
    for (const char16_t* bad : { u"a;;b", u"a%%b", u"a$$b", u"a<b", u"a\"b", u"a>b" }) {
        NetBankDocument document = CommonAccounts(false);
        document.lists[0].items[0].display = bad;
        EXPECT_FALSE(BuildNetBankDocument(document, {}, text, &error));
    }
    NetBankDocument document = CommonAccounts(false);
    document.lists[0].items[0].fields[2] = u"a||b";
    EXPECT_FALSE(BuildNetBankDocument(document, {}, text, &error));
    EXPECT_FALSE(BuildNetBankDocument(CommonAccounts(true), {}, text, &error)); // no key
    EXPECT_EQ(text, u"before");
    EXPECT_FALSE(error.empty());
}

TEST(NetBankDocument, ReadsTheImportAccountOfEachDialog)
{
    const auto deal
        = ReadNetBankImportAccount(u"0||004||1234567890||王小明||", NetBankDialogKind::Agreed);
    ASSERT_TRUE(deal);
    EXPECT_EQ(deal->kind, u'0');
    EXPECT_EQ(deal->bank, u"004");
    EXPECT_EQ(deal->account, u"1234567890");
    EXPECT_EQ(deal->moreFields, std::vector<std::u16string> { u"王小明" });

    const auto other = ReadNetBankImportAccount(u"3||000||12345678901||", NetBankDialogKind::Other);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->kind, u'3');
    EXPECT_EQ(other->account, u"12345678901");

    const auto transfer = ReadNetBankImportAccount(
        u"004||1234567890||1||note||", NetBankDialogKind::TransferAccount);
    ASSERT_TRUE(transfer);
    EXPECT_EQ(transfer->kind, u'1');
    EXPECT_EQ(transfer->bank, u"004");
    EXPECT_EQ(transfer->moreFields, std::vector<std::u16string> { u"note" });

    EXPECT_FALSE(ReadNetBankImportAccount(u"0||004||1234567890", NetBankDialogKind::Agreed));
    EXPECT_FALSE(ReadNetBankImportAccount(u"9||004||1||", NetBankDialogKind::Agreed));
    EXPECT_FALSE(ReadNetBankImportAccount(u"0||004||", NetBankDialogKind::Agreed));
}

} // namespace
} // namespace velkor::host
