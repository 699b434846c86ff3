#include "dialogs/parameter_document.h"

#include <gtest/gtest.h>

#include "dialogs/confirm_message_document.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/item_list.h"
#include "list_cipher_fixture.h"
#include "recording_message_sink.h"

namespace velkor {
namespace {

using testing::RecordingMessageSink;

class ParameterDocumentTest : public ::testing::Test {
protected:
    int32_t Parse(DialogKind kind, const OptText& doc)
    {
        ParameterDocumentReader reader(ProfileFor(kind), cipher.Decipher(), messages);
        return reader.Parse(doc, result);
    }

    testing::ListCipherFixture cipher;
    RecordingMessageSink messages;
    ParameterDocument result;
};

TEST_F(ParameterDocumentTest, MissingAndEmptyDocumentsAreRefused)
{
    EXPECT_EQ(Parse(DialogKind::kTransDeal, std::nullopt), parse_result::kNoDocument);
    EXPECT_EQ(Parse(DialogKind::kTransDeal, Text()), parse_result::kNoData);
    EXPECT_EQ(Parse(DialogKind::kTransSet, Text(u"\0abc", 4)), parse_result::kNoData);
    EXPECT_EQ(messages.texts, std::vector<Text>(3, dialog_text::kCheckXmlData));
}

TEST_F(ParameterDocumentTest, TopLevelTagsSetTheDialogsSettings)
{
    ASSERT_EQ(Parse(DialogKind::kTransSet,
                  u"<Caption>轉帳<TimeOut> 45 </TimeOut><KeyType>9</KeyType><ADDCOMM>1</addcomm>"),
        0);
    EXPECT_FALSE(result.caption); // no </Caption>: the template title stays
    EXPECT_EQ(result.timeoutSeconds, 45);
    EXPECT_EQ(result.countdownLabel, Text(u" 45  秒後自動登出"));
    EXPECT_EQ(result.keyType, 0);
    EXPECT_EQ(result.addComm, 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(ParameterDocumentTest, PlainListLoadsDisplayValuesAndHiddenValues)
{
    ASSERT_EQ(Parse(DialogKind::kTransSet,
                  u"<AtmNode Name=\"約定帳號\" Type=\"0\" Ciph=\"0\" Default=\"5\">"
                  u"A%%1;;B%%2;;</AtmNode>"
                  u"<AtmNode Name=\"常用\" Default=\"1\" check=\"1\">"
                  u"x%%y%%004||123$$a@b$$c;;;;z%%9</AtmNode>"
                  u"<AtmNode Name=\"銀行\">台灣銀行%%004;;</AtmNode>"),
        0);
    ASSERT_EQ(result.elements.size(), 3u);
    const DocumentElement& agreed = result.elements[0];
    EXPECT_EQ(agreed.name, u"約定帳號");
    EXPECT_TRUE(agreed.available);
    ASSERT_EQ(agreed.items.Count(), 2u);
    EXPECT_EQ(agreed.items[0].display, u"A");
    EXPECT_EQ(agreed.items[1].value, u"2");
    EXPECT_EQ(agreed.items.Selected(), 0); // Default 5 is out of range

    const DocumentElement& common = result.elements[1];
    ASSERT_EQ(common.items.Count(), 2u); // the empty item is not counted
    EXPECT_EQ(common.items[0].display, u"x%%y"); // display runs to the last "%%"
    EXPECT_EQ(common.items[0].hidden, Text(u"a@b$$c")); // hidden starts after the first "$$"
    EXPECT_FALSE(common.items[1].hidden);
    EXPECT_EQ(common.items.Selected(), 1);
    EXPECT_EQ(result.check, 0); // the last element read sets it

    const DocumentElement& banks = result.elements[2];
    ASSERT_EQ(banks.items.Count(), 1u);
    EXPECT_EQ(banks.items[0].display, u"台灣銀行");
    EXPECT_TRUE(banks.items[0].value.empty()); // the bank list keeps display texts only
    EXPECT_EQ(ItemAt(banks.content, 0), Text(u"台灣銀行%%004"));
}

TEST(ItemList, OnlyItemsClosedByTheItemEndAreRead)
{
    struct Case {
        std::u16string_view content;
        std::vector<std::pair<Text, Text>> items; // display, value
    };
    const Case cases[] = {
        { u"A;", { { u"A", u"" } } },
        { u"A;;B;", { { u"A", u"" }, { u"B", u"" } } },
        { u"A%%004||123;", { { u"A", u"004||123" } } },
        { u"A%%004||123", { { u"A", u"004||123" } } },
        { u";", {} },
        { u"A;;;", { { u"A", u"" } } }, // the ';' after the last ";;" is not an item
        { u"A;;;;B%%1;;", { { u"A", u"" }, { u"B", u"1" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TextToUtf8(c.content));
        ItemList list;
        list.Load(c.content, 0, ItemListLimits {});
        ASSERT_EQ(list.Count(), c.items.size());
        for (size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(list[i].display, c.items[i].first);
            EXPECT_EQ(list[i].value, c.items[i].second);
            // The item a selection reads back at OK is the one the list shows.
            const Text whole = c.items[i].second.empty()
                ? c.items[i].first
                : c.items[i].first + u"%%" + c.items[i].second;
            EXPECT_EQ(ItemAt(c.content, i), whole);
        }
        EXPECT_FALSE(ItemAt(c.content, c.items.size()));
    }
}

TEST_F(ParameterDocumentTest, SelfClosingAndSlashInContentLeaveTheListUnavailable)
{
    ASSERT_EQ(Parse(DialogKind::kTransSetNet,
                  u"<AtmNode Name=\"a\" Ciph=\"0\"/><AtmNode Name=\"b\">A%%1;;B/>C</AtmNode>"),
        0);
    ASSERT_EQ(result.elements.size(), 2u);
    EXPECT_FALSE(result.elements[0].available);
    EXPECT_FALSE(result.elements[1].available); // the element ends at "/>"
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(ParameterDocumentTest, EncipheredListsAreCheckedThenDeciphered)
{
    // Self-closing enciphered element: no data.
    EXPECT_EQ(Parse(DialogKind::kTransDeal, u"<AtmNode Ciph=\"1\"/>"), parse_result::kNoData);
    // 30 characters: refused before the decipher runs.
    EXPECT_EQ(
        Parse(DialogKind::kTransDeal, u"<AtmNode Ciph=\"1\">" + Text(30, u'A') + u"</AtmNode>"),
        parse_result::kNoData);
    EXPECT_EQ(cipher.calls, 0);
    // Right length, wrong data (not hexadecimal, so it can never decipher by chance).
    EXPECT_EQ(
        Parse(DialogKind::kTransDeal, u"<AtmNode Ciph=\"1\">" + Text(32, u'Z') + u"</AtmNode>"),
        parse_result::kDecipherFailed);
    EXPECT_EQ(cipher.calls, 1);
    EXPECT_EQ(messages.texts,
        (std::vector<Text> { dialog_text::kNoListData, dialog_text::kListDataFailed,
            dialog_text::kListDataFailed }));

    ParameterDocument good;
    ParameterDocumentReader reader(ProfileFor(DialogKind::kTransDeal), cipher.Decipher(), messages);
    const Text hex = cipher.Encipher(u"王小明%%004||12345;;李%%005||9$$m@x;;");
    ASSERT_EQ(reader.Parse(u"<AtmNode Ciph=\"1\" Default=\"1\">" + hex + u"</AtmNode>", good), 0);
    ASSERT_EQ(good.elements[0].items.Count(), 2u);
    EXPECT_EQ(good.elements[0].items[0].display, u"王小明");
    EXPECT_EQ(good.elements[0].items[1].hidden, Text(u"m@x"));
    EXPECT_EQ(good.elements[0].content, hex); // kept enciphered for the second decipher at OK
    Text again;
    EXPECT_EQ(reader.DecipherContent(good.elements[0], again), 0);
    EXPECT_EQ(again, u"王小明%%004||12345;;李%%005||9$$m@x;;");
}

TEST_F(ParameterDocumentTest, TransSetSkipsFailingElementsOthersStop)
{
    const Text doc = u"<AtmNode Ciph=\"1\"/><AtmNode>A%%1</AtmNode><AtmNode>B%%2</AtmNode>";
    EXPECT_EQ(Parse(DialogKind::kTransSet, doc), 0);
    ASSERT_EQ(result.elements.size(), 3u);
    EXPECT_FALSE(result.elements[0].available);
    EXPECT_TRUE(result.elements[1].available);
    EXPECT_TRUE(result.elements[2].available);

    ParameterDocument net;
    ParameterDocumentReader reader(ProfileFor(DialogKind::kTransSetNet), {}, messages);
    EXPECT_EQ(reader.Parse(doc, net), parse_result::kNoData);
    EXPECT_EQ(net.elements.size(), 1u);
}

TEST_F(ParameterDocumentTest, TransComReadsAtMostFortyElementsAndEightTitles)
{
    Text doc = u"<Select>2</Select><Filter>5</Filter>";
    for (int i = 0; i < 9; ++i) {
        doc += u"<Title>" + Text(30, static_cast<char16_t>(u'a' + i)) + u"</Title>";
    }
    for (int i = 0; i < 50; ++i) {
        doc += u"<AtmNode Name=\"g\" Type=\"1\">x%%1;;</AtmNode>";
    }
    ASSERT_EQ(Parse(DialogKind::kTransCom, doc), 0);
    EXPECT_EQ(result.elements.size(), 40u);
    ASSERT_EQ(result.titles.size(), 8u);
    EXPECT_EQ(result.titles[7], Text(24, u'h'));
    EXPECT_EQ(result.select, 2);
    EXPECT_EQ(result.filter, 5);
}

TEST_F(ParameterDocumentTest, TransOthKeepsOnePresetCutToItsMaximum)
{
    ASSERT_EQ(Parse(DialogKind::kTransOth,
                  u"<AtmNode Type=\"3\" min=\"10\" Default=\"4\" check=\"1\">123456789</AtmNode>"),
        0);
    const DocumentElement& element = result.elements[0];
    EXPECT_EQ(element.preset, u"1234");

    EXPECT_EQ(
        Parse(DialogKind::kTransOth, u"<AtmNode Ciph=\"1\"></AtmNode>"), parse_result::kNoData);
    EXPECT_EQ(messages.texts.back(), dialog_text::kNoEncAccountData);
    EXPECT_EQ(
        Parse(DialogKind::kTransOth, u"<AtmNode Ciph=\"1\">ABC</AtmNode>"), parse_result::kNoData);
    EXPECT_EQ(messages.texts.back(), dialog_text::kEncAccountDataFailed);
}

TEST_F(ParameterDocumentTest, HugeAndMalformedDocumentsAreReadSafely)
{
    const Text bigItems = Text(12500, u'x') + u"%%" + Text(200, u'v') + u"$$" + Text(300, u'h');
    ASSERT_EQ(Parse(DialogKind::kTransSetNet, u"<AtmNode>" + bigItems + u"</AtmNode>"), 0);
    ASSERT_EQ(result.elements[0].items.Count(), 1u);
    EXPECT_EQ(result.elements[0].items[0].display.size(), 160u);
    EXPECT_TRUE(result.elements[0].items[0].value.empty()); // cut before it is split

    for (const Text& doc : { Text(u"<"), Text(u"<AtmNode"), Text(u"<AtmNode Name=\""),
             Text(u"</AtmNode><AtmNode>"), Text(u"<Caption></Caption"), Text(u";;%%$$"),
             Text(u"<AtmNode>;;;;;;</AtmNode>"), Text(2'000'000, u'<') }) {
        ParameterDocument any;
        ParameterDocumentReader reader(ProfileFor(DialogKind::kTransCom), {}, messages);
        EXPECT_EQ(reader.Parse(doc, any), 0);
    }
}

} // namespace
} // namespace velkor

namespace velkor {
namespace {

TEST(ConfirmMessageDocument, ReadsNineteenTagsKeepingTheLastCompleteOne)
{
    ConfirmMessageDocument doc;
    doc.Read(u"<Tag1>繳費</Tag1><TAG10>十</tag10><Tag1>轉帳</Tag1><Tag19>" + Text(400, u'x')
        + u"</Tag19><Tag2>open");
    EXPECT_EQ(doc.Tag(1), Text(u"轉帳"));
    EXPECT_EQ(doc.Tag(10), Text(u"十"));
    EXPECT_EQ(doc.Tag(19), Text(279, u'x'));
    EXPECT_FALSE(doc.Tag(2));
    EXPECT_FALSE(doc.Tag(0));
    EXPECT_FALSE(doc.Tag(20));
    doc.Read(std::nullopt);
    EXPECT_FALSE(doc.Tag(1));
}

} // namespace
} // namespace velkor
