#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// The customer's font-size choice per net-bank dialog, remembered in "fontsize.ini" under the
// user's configuration folder (subfolder "QMTX"). The value of key "Service" in section
// "Settings" holds the choice of slot 0, 1 and 2 as the digit at character 2, 4 and 6.
namespace velkor {

namespace font_size_status {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kNoFolder = 100;
inline constexpr int32_t kNoFile = 105;
inline constexpr int32_t kEmptyFile = 106;
} // namespace font_size_status

// Font-size choices and the dialogs they belong to.
enum FontChoice : int32_t { kFontLarge = 0, kFontMedium = 1, kFontSmall = 2 };
enum FontSlot : int32_t { kSlotTransDeal = 0, kSlotTransCom = 1, kSlotTransOth = 2 };

class FontSizeFile {
public:
    // `configFolder` missing means the user's folder could not be determined.
    explicit FontSizeFile(std::optional<std::filesystem::path> configFolder);
    // The current user's configuration folder (QStandardPaths).
    static FontSizeFile ForCurrentUser();

    // Stores `choice` (0 to 2) for `slot` (0 to 2). Returns 0 when written (a write that fails
    // is not reported, as the dialogs ignore it) or 100 when the folder is unknown. Choices or
    // slots out of range change nothing.
    int32_t SaveFontSize(int32_t choice, int32_t slot) const;
    // Reads the choice of `slot` into `choice` (0 on every failure): 0, 100, 105 (no file) or
    // 106 (empty file).
    int32_t LoadFontSize(int32_t slot, int32_t& choice) const;

    // The choice a dialog opens with: the stored one, or large when nothing is stored.
    int32_t InitialChoice(int32_t slot) const;

    std::optional<std::filesystem::path> FilePath() const;

    static constexpr const char* kDefaultValue = "01234507890";

private:
    std::optional<std::filesystem::path> folder_;
};

} // namespace velkor
