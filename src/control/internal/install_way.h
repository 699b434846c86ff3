#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/registration_record.h"

// How the agent came onto this machine, as `GetInstallWay` reports it: 0 for an agent that was
// downloaded and registered from the user's download folder (or whose registration cannot be
// read), 1 for one installed anywhere else (a package, an installer).
namespace velkor {

inline constexpr int32_t kInstallWayDownloaded = 0;
inline constexpr int32_t kInstallWayInstalled = 1;

// `registeredExecutable` is the path from the registration record, if one could be read.
int32_t InstallWayOf(
    const std::optional<std::string>& registeredExecutable, const std::string& downloadDirectory);

// Reads the registration record and the download folder of the current user; without a record of
// the user's own, the system's (a packaged agent).
int32_t CurrentInstallWay(const std::string& systemRecordPath = kSystemRegistrationRecordPath);

} // namespace velkor
