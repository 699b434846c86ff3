#include "install_way.h"

#include <filesystem>
#include <system_error>

#include "common/xdg_paths.h"
#include "control/registration_record.h"

namespace velkor {

namespace {

// The path as the file it names: links resolved as far as the path exists, "." and ".." gone, no
// trailing separator. A download folder may be a link to another disk, and a record may spell a
// path through "..".
std::string CanonicalPath(const std::string& path)
{
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    if (error) {
        canonical = std::filesystem::path(path).lexically_normal();
    }
    std::string text = canonical.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

} // namespace

int32_t InstallWayOf(
    const std::optional<std::string>& registeredExecutable, const std::string& downloadDirectory)
{
    if (!registeredExecutable) {
        return kInstallWayDownloaded;
    }
    // Whole path components: ~/Downloads/velkor is downloaded, ~/Downloads2/velkor is not.
    const std::string prefix = CanonicalPath(downloadDirectory) + "/";
    return CanonicalPath(*registeredExecutable).rfind(prefix, 0) == 0 ? kInstallWayDownloaded
                                                                      : kInstallWayInstalled;
}

int32_t CurrentInstallWay(const std::string& systemRecordPath)
{
    auto record = ReadRegistrationRecord(RegistrationRecordPath());
    if (!record) {
        record = ReadRegistrationRecord(systemRecordPath);
    }
    std::optional<std::string> executable;
    if (record) {
        executable = record->executable;
    }
    return InstallWayOf(executable, DownloadDirectory());
}

} // namespace velkor
