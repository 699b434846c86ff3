#include "dialogs/font_size_file.h"

#include <fstream>
#include <gtest/gtest.h>

#include "dialogs/profile_file.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

class FontSizeFileTest : public ::testing::Test {
protected:
    std::string StoredValue() const
    {
        return profile::ReadString(folder / "QMTX" / "fontsize.ini", "Settings", "Service", "", 64);
    }

    testing::TemporaryDirectory temporary;
    const std::filesystem::path folder { temporary.Path() };
};

TEST_F(FontSizeFileTest, FirstSaveStartsFromTheDefaultValue)
{
    FontSizeFile file(folder);
    int32_t choice = 7;
    EXPECT_EQ(file.LoadFontSize(kSlotTransCom, choice), font_size_status::kNoFile);
    EXPECT_EQ(choice, kFontLarge);
    ASSERT_EQ(file.SaveFontSize(kFontSmall, kSlotTransCom), 0);
    EXPECT_EQ(StoredValue(), "01232507890");
    // Character 2 of the default is '2' and character 6 is '0'.
    EXPECT_EQ(file.InitialChoice(kSlotTransDeal), kFontSmall);
    EXPECT_EQ(file.InitialChoice(kSlotTransCom), kFontSmall);
    EXPECT_EQ(file.InitialChoice(kSlotTransOth), kFontLarge);
    ASSERT_EQ(file.SaveFontSize(kFontMedium, kSlotTransOth), 0);
    EXPECT_EQ(StoredValue(), "01232517890");
}

TEST_F(FontSizeFileTest, AFileInPlaceOfTheFolderOrAShortValueIsReplaced)
{
    std::ofstream(folder / "QMTX") << "not a folder";
    FontSizeFile file(folder);
    ASSERT_EQ(file.SaveFontSize(kFontMedium, kSlotTransDeal), 0);
    EXPECT_EQ(file.InitialChoice(kSlotTransDeal), kFontMedium);
    ASSERT_TRUE(
        profile::WriteString(folder / "QMTX" / "fontsize.ini", "Settings", "Service", "012"));
    ASSERT_EQ(file.SaveFontSize(kFontSmall, kSlotTransDeal), 0);
    EXPECT_EQ(file.InitialChoice(kSlotTransDeal), kFontSmall);
}

TEST_F(FontSizeFileTest, EmptyOddAndUnknownFiles)
{
    std::filesystem::create_directories(folder / "QMTX");
    std::ofstream(folder / "QMTX" / "fontsize.ini").close();
    FontSizeFile file(folder);
    int32_t choice = 9;
    EXPECT_EQ(file.LoadFontSize(kSlotTransDeal, choice), font_size_status::kEmptyFile);
    EXPECT_EQ(choice, 0);

    std::ofstream(folder / "QMTX" / "fontsize.ini")
        << "[other]\r\nService=xx2xxxxxxxx\r\n[SETTINGS]\r\n  service = \"0192x5xxxxx\"\r\n";
    EXPECT_EQ(file.LoadFontSize(kSlotTransDeal, choice), 0);
    EXPECT_EQ(choice, 0); // '9' is no choice
    EXPECT_EQ(file.LoadFontSize(kSlotTransCom, choice), 0);
    EXPECT_EQ(choice, 0); // 'x' neither
    ASSERT_EQ(file.SaveFontSize(kFontSmall, kSlotTransOth), 0);
    EXPECT_EQ(file.InitialChoice(kSlotTransOth), kFontSmall);
    EXPECT_EQ(profile::ReadString(folder / "QMTX" / "fontsize.ini", "other", "Service", "", 32),
        "xx2xxxxxxxx"); // other sections survive

    FontSizeFile nowhere(std::nullopt);
    EXPECT_EQ(nowhere.SaveFontSize(kFontSmall, kSlotTransOth), font_size_status::kNoFolder);
    EXPECT_EQ(nowhere.LoadFontSize(kSlotTransOth, choice), font_size_status::kNoFolder);
}

} // namespace
} // namespace velkor
