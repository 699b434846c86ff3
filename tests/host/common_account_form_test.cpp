#include <gtest/gtest.h>

#include "demo_keys.h"
#include "dialogs/document_scanner.h"
#include "host/common_account_form.h"
#include "support/transfer_dialogs_ui.h"

// The bank's common-account forms as the control's scanner reads them, and their answers opened.
namespace velkor {
namespace {

using host::CommonAccountForm;
using host::CommonAccountRow;
using testing::T;

CommonAccountForm AddAccountForm()
{
    CommonAccountForm form;
    form.caption = u"常用帳號";
    form.title = u"新增";
    form.timeOutSeconds = 90;
    form.fixedKeypad = true;
    // A name that holds the other attributes' names must not be read as them.
    form.rows = {
        { u"銀行 Type KeyType Name min", u'0', u'0', 0, 1, true,
            { { u"甲銀行", u"004" }, { u"乙銀行", u"005" } }, {} },
        { u"帳號", u'3', u'3', 10, 16, false, {}, u"0012" },
        { u"暱稱", u'5', u'2', 0, 20, true, {}, u"房租 A" },
        { u"密碼", u'6', u'7', 6, 12, false, {}, {} },
        { u"代碼", u'7', u'7', 3, 8, false, {}, {} },
    };
    return form;
}

class CommonAccountDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testing::DemoHostKeys() == nullptr) {
            GTEST_SKIP() << "the selected key set carries no host private key";
        }
        SecureBytes key(16);
        for (size_t i = 0; i < key.size(); ++i) {
            key[i] = static_cast<uint8_t>(0x41 + i);
        }
        issued = testing::IssueKey(std::move(key));
    }
    Text Decipher(const Text& hex)
    {
        const ScopedEmbeddedKeys keys;
        Text plain;
        int32_t length = static_cast<int32_t>(hex.size());
        EXPECT_EQ(CDataProcess::SessionCipher(1, CDataProcess::kInputHex, length, hex, issued.hash,
                      issued.encrypted, plain),
            0);
        return plain.substr(0, static_cast<size_t>(length) / 2);
    }
    std::string Encipher(const Text& plain)
    {
        return TextToUtf8(testing::UnderSession(0, issued.hash, issued.encrypted, plain));
    }

    testing::IssuedKey issued;
};

TEST_F(CommonAccountDocument, TheControlsScannerReadsEveryRowAsBuilt)
{
    const CommonAccountForm form = AddAccountForm();
    Text document;
    ASSERT_TRUE(host::BuildCommonAccountDocument(form, issued.key, document));
    EXPECT_EQ(scanner::ReadTag(document, u"<KeyOrder>", u"</KeyOrder>", 128), u"1");
    EXPECT_EQ(scanner::ReadTag(document, u"<TimeOut>", u"</TimeOut>", 128), u"90");
    EXPECT_EQ(scanner::CountElements(document, u"<AtmNode"), form.rows.size());
    for (size_t i = 0; i < form.rows.size(); ++i) {
        const auto element = scanner::ReadElementText(document, u"<AtmNode", u"</AtmNode>", i);
        ASSERT_TRUE(element) << i;
        const CommonAccountRow& row = form.rows[i];
        EXPECT_EQ(scanner::ReadAttribute(*element, u"Name", 128), row.name);
        EXPECT_EQ(scanner::ReadAttribute(*element, u"Type", 128), Text(1, row.type));
        EXPECT_EQ(scanner::ReadAttribute(*element, u"KeyType", 128), Text(1, row.keyType));
        EXPECT_EQ(scanner::ReadAttribute(*element, u"min", 128), T(std::to_string(row.min)));
        EXPECT_EQ(
            scanner::ReadAttribute(*element, u"Default", 128), T(std::to_string(row.defaultValue)));
        const Text content = scanner::ReadContent(*element, u"</AtmNode>");
        const Text plain = row.enciphered ? Decipher(content) : content;
        EXPECT_EQ(plain, i == 0 ? u"甲銀行%%004;;乙銀行%%005;;" : row.preset) << i;
    }

    // Function type 2: the bank drop-down carries the chosen bank as its preset.
    CommonAccountForm prepared = form;
    prepared.functionType = 2;
    prepared.rows[0].preset = u"甲銀行 004";
    ASSERT_TRUE(host::BuildCommonAccountDocument(prepared, issued.key, document));
    EXPECT_EQ(scanner::ReadTag(document, u"<FunType>", u"</FunType>", 128), u"2");
    const auto first = scanner::ReadElementText(document, u"<AtmNode", u"</AtmNode>", 0);
    EXPECT_EQ(Decipher(scanner::ReadContent(*first, u"</AtmNode>")), u"甲銀行 004");
}

TEST_F(CommonAccountDocument, FormsTheControlWouldMisreadAreRefused)
{
    const auto refused = [this](auto change) {
        CommonAccountForm form = AddAccountForm();
        change(form);
        Text document;
        std::string error;
        const bool built = host::BuildCommonAccountDocument(form, issued.key, document, &error);
        return !built && !error.empty() && document.empty();
    };
    EXPECT_TRUE(refused([](auto& f) { f.rows.resize(11, f.rows[1]); }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[0].items[0].code = u"0041"; }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[0].items[1].display = u"乙;"; }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[3].name = u"a\"b"; }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[1].preset = u"12ab"; }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[1].preset = Text(129, u'1'); }));
    // 31 characters fit in 128 hexadecimal digits; 32 need a further block.
    EXPECT_FALSE(refused([](auto& f) { f.rows[2].preset = Text(31, u'x'); }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[2].preset = Text(32, u'x'); }));
    EXPECT_TRUE(refused([](auto& f) { f.rows[2].preset = u"房租"; })) << "read back byte-wise";
    CommonAccountForm form = AddAccountForm();
    Text document;
    EXPECT_FALSE(host::BuildCommonAccountDocument(form, {}, document)) << "no session key";
}

TEST_F(CommonAccountDocument, TheEncipheredCommonAccountOpensIntoOneValuePerRow)
{
    const CommonAccountForm form = AddAccountForm();
    std::vector<Text> values;
    // The PIN row (type 6, key type 7) is left out; the key type 7 row ends in ";;".
    ASSERT_TRUE(host::OpenCommonAccount(
        form, issued.key, Encipher(u"004||0012345678901||房租||AB1;;"), values));
    EXPECT_EQ(values, (std::vector<Text> { u"004", u"0012345678901", u"房租", u"", u"AB1" }));

    // Nothing selected in the list still gives its separator.
    ASSERT_TRUE(host::SplitCommonAccount(form, u"||1||||;;", values));
    EXPECT_EQ(values, (std::vector<Text> { u"", u"1", u"", u"", u"" }));

    for (const Text& wrong : { Text(u"004||1||房租||AB1||"), Text(u"004||1||房租||AB1;;x"),
             Text(u"004||1||房租"), Text(u"") }) {
        EXPECT_FALSE(host::SplitCommonAccount(form, wrong, values)) << TextToUtf8(wrong);
    }
    SecureBytes otherKey(16);
    EXPECT_FALSE(host::OpenCommonAccount(
        form, otherKey, Encipher(u"004||0012345678901||房租||AB1;;"), values));
    EXPECT_FALSE(host::OpenCommonAccount(form, issued.key, "0011", values)) << "not a block";
}

} // namespace
} // namespace velkor
