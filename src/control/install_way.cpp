#include "control/install_way.h"

#include "common/xdg_paths.h"
#include "control/registration_record.h"

namespace velkor {

int32_t InstallWayOf(
    const std::optional<std::string>& registeredExecutable, const std::string& downloadDirectory)
{
    if (!registeredExecutable) {
        return kInstallWayDownloaded;
    }
    // Whole path components: ~/Downloads/velkor is downloaded, ~/Downloads2/velkor is not.
    const std::string prefix = downloadDirectory + "/";
    return registeredExecutable->rfind(prefix, 0) == 0 ? kInstallWayDownloaded
                                                       : kInstallWayInstalled;
}

int32_t CurrentInstallWay()
{
    const auto record = ReadRegistrationRecord(RegistrationRecordPath());
    std::optional<std::string> executable;
    if (record) {
        executable = record->executable;
    }
    return InstallWayOf(executable, DownloadDirectory());
}

} // namespace velkor
