#include "dialogs/font_size_file.h"

#include <QStandardPaths>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "dialogs/profile_file.h"

namespace velkor {

namespace {

constexpr const char* kSubfolder = "QMTX";
constexpr const char* kFileName = "fontsize.ini";
constexpr const char* kSection = "Settings";
constexpr const char* kKey = "Service";
constexpr size_t kValueCapacity = 32;
constexpr size_t kMinimumValueLength = 10;
constexpr size_t kMaximumPathLength = 1023;

bool ValidIndex(int32_t value)
{
    return value >= 0 && value <= 2;
}
size_t CharacterOf(int32_t slot)
{
    return 2 + 2 * static_cast<size_t>(slot);
}

} // namespace

FontSizeFile::FontSizeFile(std::optional<std::filesystem::path> configFolder)
    : folder_(std::move(configFolder))
{
    if (folder_ && (folder_->empty() || folder_->native().size() > kMaximumPathLength)) {
        folder_.reset();
    }
}

FontSizeFile FontSizeFile::ForCurrentUser()
{
    const QString location
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (location.isEmpty()) {
        return FontSizeFile(std::nullopt);
    }
    return FontSizeFile(std::filesystem::path(location.toStdString()));
}

std::optional<std::filesystem::path> FontSizeFile::FilePath() const
{
    if (!folder_) {
        return std::nullopt;
    }
    return *folder_ / kSubfolder / kFileName;
}

int32_t FontSizeFile::SaveFontSize(int32_t choice, int32_t slot) const
{
    if (!folder_) {
        return font_size_status::kNoFolder;
    }
    if (!ValidIndex(choice) || !ValidIndex(slot)) {
        return font_size_status::kOk;
    }
    const std::filesystem::path subfolder = *folder_ / kSubfolder;
    std::error_code error;
    if (std::filesystem::exists(subfolder, error)
        && !std::filesystem::is_directory(subfolder, error)) {
        std::filesystem::remove(subfolder, error);
    }
    std::filesystem::create_directories(subfolder, error);
    const std::filesystem::path file = subfolder / kFileName;

    std::string value = profile::ReadString(file, kSection, kKey, kDefaultValue, kValueCapacity);
    const char digit = static_cast<char>('0' + choice);
    if (value.size() >= kMinimumValueLength) {
        value[CharacterOf(slot)] = digit;
    } else {
        char fresh[16];
        std::snprintf(fresh, sizeof fresh, "%.9x",
            static_cast<unsigned>(static_cast<uint32_t>(std::time(nullptr))));
        value.assign(fresh, 9);
        value.push_back('0');
        value[CharacterOf(slot)] = digit;
        value[9] = value[3];
    }
    profile::WriteString(file, kSection, kKey, value);
    return font_size_status::kOk;
}

int32_t FontSizeFile::LoadFontSize(int32_t slot, int32_t& choice) const
{
    choice = kFontLarge;
    const auto file = FilePath();
    if (!file) {
        return font_size_status::kNoFolder;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(*file, error)) {
        return font_size_status::kNoFile;
    }
    if (std::filesystem::file_size(*file, error) < 1 || error) {
        return font_size_status::kEmptyFile;
    }
    if (!ValidIndex(slot)) {
        return font_size_status::kOk;
    }
    const std::string value
        = profile::ReadString(*file, kSection, kKey, kDefaultValue, kValueCapacity);
    const size_t at = CharacterOf(slot);
    const int32_t stored = at < value.size() ? value[at] - '0' : kFontLarge;
    choice = ValidIndex(stored) ? stored : kFontLarge;
    return font_size_status::kOk;
}

int32_t FontSizeFile::InitialChoice(int32_t slot) const
{
    int32_t choice = kFontLarge;
    LoadFontSize(slot, choice);
    return choice;
}

} // namespace velkor
