#include "dialogs/document_scanner.h"

#include <gtest/gtest.h>

namespace velkor::scanner {
namespace {

TEST(DocumentScanner, TagsMatchWithoutRegardToCaseButTheCounterIsExact)
{
    const Text doc = u"<caption>Hi</CAPTION><atmnode Name=\"x\"/><AtmNode/>";
    EXPECT_EQ(ReadTag(doc, u"<Caption>", u"</Caption>", 128), Text(u"Hi"));
    EXPECT_EQ(CountElements(doc, u"<AtmNode"), 1u);
    // The reader finds the lower-case element first, as its search ignores case.
    EXPECT_EQ(ReadElementText(doc, u"<AtmNode", u"</AtmNode>", 0), u" Name=\"x\"/>");
}

TEST(DocumentScanner, TagWithoutEndTagIsIgnoredAndValuesAreCutToTheirSlot)
{
    EXPECT_FALSE(ReadTag(u"<Caption>abc", u"<Caption>", u"</Caption>", 128));
    EXPECT_FALSE(ReadTag(u"", u"<Caption>", u"</Caption>", 128));
    EXPECT_EQ(ReadTag(u"<T>abcdef</T>", u"<T>", u"</T>", 4), Text(u"abc"));
    // Trim mode 1 drops control characters but keeps the blanks.
    EXPECT_EQ(ReadTag(u"<T>\r\n 45 \t</T>", u"<T>", u"</T>", 128), Text(u" 45 "));
}

TEST(DocumentScanner, LastCompleteTagWins)
{
    EXPECT_EQ(ReadLastTag(u"<Tag1>a</Tag1><Tag1>b</Tag1><Tag1>c", u"<Tag1>", u"</Tag1>", 279),
        Text(u"b"));
    EXPECT_EQ(ReadLastTag(u"<Tag1>a<Tag1>b</Tag1>", u"<Tag1>", u"</Tag1>", 279), Text(u"b"));
    EXPECT_FALSE(ReadLastTag(u"</Tag1><Tag1>x", u"<Tag1>", u"</Tag1>", 279));
}

TEST(DocumentScanner, ElementEndsAtTheFirstSelfCloseOrEndTag)
{
    const Text doc = u"<AtmNode Name=\"a\">A/>B</AtmNode><AtmNode Type=\"1\">C</atmnode>";
    EXPECT_EQ(ReadElementText(doc, u"<AtmNode", u"</AtmNode>", 0), u" Name=\"a\">A/>");
    EXPECT_EQ(ReadElementText(doc, u"<AtmNode", u"</AtmNode>", 1), u" Type=\"1\">C</atmnode>");
    EXPECT_FALSE(ReadElementText(doc, u"<AtmNode", u"</AtmNode>", 2));
    EXPECT_FALSE(ReadElementText(u"<AtmNode Name=\"x\">open", u"<AtmNode", u"</AtmNode>", 0));
}

TEST(DocumentScanner, AttributesAreFoundAsPlainSubstrings)
{
    const std::u16string_view element = u" KeyType=\"5\" Type=\"3\" Name=\" A B \">x</AtmNode>";
    EXPECT_EQ(ReadAttribute(element, u"Type", 128), Text(u"5")); // inside "KeyType"
    EXPECT_EQ(ReadAttribute(element, u"name", 128), Text(u"A B"));
    EXPECT_EQ(ReadAttribute(element, u"Ciph", 128), Text());
    EXPECT_EQ(ReadAttribute(u" Name=\"unterminated", u"Name", 128), Text());
    EXPECT_EQ(ReadAttribute(u" Name=\"abcdef\"", u"Name", 4), Text(u"abc"));
}

TEST(DocumentScanner, ContentSkipsLeadingBreaksAndNeedsItsEndTag)
{
    EXPECT_EQ(ReadContent(u" a=\"1\">\r\n  A;;B;; \t</AtmNode>", u"</AtmNode>"), Text(u"A;;B;;"));
    EXPECT_EQ(ReadContent(u" a=\"1\"/>", u"</AtmNode>"), Text());
    EXPECT_EQ(ReadContent(u" a=\"1\">A/>", u"</AtmNode>"), Text());
    EXPECT_EQ(ReadContent(u" no close", u"</AtmNode>"), Text());
}

TEST(DocumentScanner, TrimModes)
{
    EXPECT_EQ(Trim(u"\t a \n", TrimMode::kControls), u" a ");
    EXPECT_EQ(Trim(u"\t a \n", TrimMode::kBlanks), u"a");
    EXPECT_EQ(Trim(u" \r\n", TrimMode::kBlanks), u"");
    Text long_text(12000, u'x');
    long_text.insert(0, u"  ");
    TrimInPlace(long_text, TrimMode::kBlanks);
    EXPECT_EQ(long_text.size(), 12000u);
}

TEST(DocumentScanner, IntegersStopAtTheFirstNonDigitAndClampOnOverflow)
{
    EXPECT_EQ(ToInteger(u"\t-12abc"), -12);
    EXPECT_EQ(ToInteger(u"abc"), 0);
    EXPECT_EQ(ToInteger(u"99999999999999999999"), 2147483647);
    EXPECT_EQ(ToInteger(u"-99999999999999999999"), -2147483647 - 1);
}

TEST(DocumentScanner, TextEndsAtTheFirstNul)
{
    const Text withNul(u"<A>1</A>\0<B>2</B>", 17);
    EXPECT_EQ(UpToNul(withNul), u"<A>1</A>");
}

} // namespace
} // namespace velkor::scanner
