#include <gtest/gtest.h>

#include "pcsc/reader_kind.h"

namespace velkor {
namespace {

TEST(ClassifyReader, PinPadModelsAreRecognisedByTheBeginningOfTheName)
{
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable II 00 00"), 1);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable II"), 1);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable"), 3);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable I"), 3);
    EXPECT_EQ(pcsc::ClassifyReader("ACS ACR83U 00 00"), 2);
    EXPECT_EQ(pcsc::ClassifyReader("ACS APG8201 PINhandy 1"), 1);
    EXPECT_EQ(pcsc::ClassifyReader("CASTLES EZpad 0"), 2);
}

TEST(ClassifyReader, OtherNamesAreOrdinaryAndMissingNamesAreReported)
{
    EXPECT_EQ(pcsc::ClassifyReader("ACS ACR39U 00 00"), 0);
    EXPECT_EQ(pcsc::ClassifyReader("acs acr83u 00 00"), 0) << "the comparison is case-sensitive";
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode"), 0) << "a model's prefix is not the model";
    EXPECT_EQ(pcsc::ClassifyReader(" ACS ACR83U"), 0);
    EXPECT_EQ(pcsc::ClassifyReader(std::string_view {}), 8195);
    EXPECT_EQ(pcsc::ClassifyReader(OptText {}), 8195);
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"" }), 8195);
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"ACS ACR83U 01 00" }), 2);
    // U+0141 narrows to 'A' (0x41), as every text the control reads as bytes.
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"\u0141CS ACR83U" }), 2);
}

} // namespace
} // namespace velkor
