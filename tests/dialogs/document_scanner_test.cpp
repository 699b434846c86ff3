#include "dialogs/document_scanner.h"

#include <gtest/gtest.h>

namespace velkor::scanner {
namespace {

TEST(DocumentScanner, TagWithoutEndTagIsIgnoredAndValuesAreCutToTheirSlot)
{
    EXPECT_FALSE(ReadTag(u"<Caption>abc", u"<Caption>", u"</Caption>", 128));
    EXPECT_FALSE(ReadTag(u"", u"<Caption>", u"</Caption>", 128));
    EXPECT_EQ(ReadTag(u"<T>abcdef</T>", u"<T>", u"</T>", 4), Text(u"abc"));
    // Trim mode 1 drops control characters but keeps the blanks.
    EXPECT_EQ(ReadTag(u"<T>\r\n 45 \t</T>", u"<T>", u"</T>", 128), Text(u" 45 "));
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

TEST(DocumentScanner, IntegersStopAtTheFirstNonDigitAndClampOnOverflow)
{
    EXPECT_EQ(ToInteger(u"\t-12abc"), -12);
    EXPECT_EQ(ToInteger(u"abc"), 0);
    EXPECT_EQ(ToInteger(u"99999999999999999999"), 2147483647);
    EXPECT_EQ(ToInteger(u"-99999999999999999999"), -2147483647 - 1);
}

} // namespace
} // namespace velkor::scanner
