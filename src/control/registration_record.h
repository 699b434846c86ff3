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

// The record the velkor package installs, for every user of the machine: what GetInstallWay
// reads when the user has registered nothing of their own.
inline constexpr const char* kSystemRegistrationRecordPath = "/usr/share/velkor/registration";

// Nothing when the file is missing, unreadable or names no absolute executable path.
std::optional<RegistrationRecord> ReadRegistrationRecord(const std::string& path);

// Replaces the file atomically (written beside it, then renamed), creating its folder.
bool WriteRegistrationRecord(const std::string& path, const RegistrationRecord& record);

} // namespace velkor
