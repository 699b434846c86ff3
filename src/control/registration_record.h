#pragma once

#include <optional>
#include <string>

// The per-user registration record that `velkor register` writes and `GetInstallWay` reads: which
// agent executable is registered, and its version. A plain "key=value" text file at
// $XDG_CONFIG_HOME/velkor/registration.
namespace velkor {

struct RegistrationRecord {
    std::string executable; // absolute path of the registered `velkor`
    std::string version;
};

std::string RegistrationRecordPath();

// Nothing when the file is missing, unreadable or names no absolute executable path.
std::optional<RegistrationRecord> ReadRegistrationRecord(const std::string& path);

// Replaces the file atomically (written beside it, then renamed), creating its folder.
bool WriteRegistrationRecord(const std::string& path, const RegistrationRecord& record);

} // namespace velkor
