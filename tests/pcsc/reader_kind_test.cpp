#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "pcsc/reader_kind.h"

namespace velkor {
namespace {

TEST(ClassifyReader, PinPadModelsAreRecognisedByTheBeginningOfTheName)
{
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable II 00 00"), pcsc::kPinPadReaderKind1);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable II"), pcsc::kPinPadReaderKind1);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable"), pcsc::kPinPadReaderKind3);
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode Connectable I"), pcsc::kPinPadReaderKind3);
    EXPECT_EQ(pcsc::ClassifyReader("ACS ACR83U 00 00"), pcsc::kPinPadReaderKind2);
    EXPECT_EQ(pcsc::ClassifyReader("ACS APG8201 PINhandy 1"), pcsc::kPinPadReaderKind1);
    EXPECT_EQ(pcsc::ClassifyReader("CASTLES EZpad 0"), pcsc::kPinPadReaderKind2);
}

TEST(ClassifyReader, OtherNamesAreOrdinaryAndMissingNamesAreReported)
{
    EXPECT_EQ(pcsc::ClassifyReader("ACS ACR39U 00 00"), pcsc::kOrdinaryReader);
    EXPECT_EQ(pcsc::ClassifyReader("acs acr83u 00 00"), pcsc::kOrdinaryReader)
        << "the comparison is case-sensitive";
    EXPECT_EQ(pcsc::ClassifyReader("Todos eCode"), pcsc::kOrdinaryReader)
        << "a model's prefix is not the model";
    EXPECT_EQ(pcsc::ClassifyReader(" ACS ACR83U"), pcsc::kOrdinaryReader);
    EXPECT_EQ(pcsc::ClassifyReader(std::string_view {}), status::kMissingArgument);
    EXPECT_EQ(pcsc::ClassifyReader(OptText {}), status::kMissingArgument);
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"" }), status::kMissingArgument);
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"ACS ACR83U 01 00" }), pcsc::kPinPadReaderKind2);
    // U+0141 narrows to 'A' (0x41), as every text the control reads as bytes.
    EXPECT_EQ(pcsc::ClassifyReader(OptText { u"\u0141CS ACR83U" }), pcsc::kPinPadReaderKind2);
}

} // namespace
} // namespace velkor
