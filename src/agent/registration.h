#pragma once

#include <string>
#include <vector>

// Registers the agent for the current user so that it starts with the desktop session: the
// velkor package's socket unit where it is installed and systemd runs for the user (the agent
// then starts when a page connects), else a systemd user unit of its own
// (~/.config/systemd/user/velkor.service), else an XDG autostart entry
// (~/.config/autostart/velkor.desktop); plus the registration record that GetInstallWay reads.
// Both directions are idempotent.
namespace velkor {

// `systemctl --user`, behind an interface so that tests can stand in for the user's systemd.
class UserServiceManager {
public:
    virtual ~UserServiceManager() = default;
    virtual bool Available() = 0;
    // Runs `systemctl --user <arguments>`; true on exit status 0.
    virtual bool Run(const std::vector<std::string>& arguments) = 0;
    // Whether the velkor package's socket unit (velkor.socket) is installed.
    virtual bool HasPackagedSocket() = 0;
};

// The real one (QProcess); available when `systemctl --user` reaches a user manager.
class SystemctlUser final : public UserServiceManager {
public:
    bool Available() override;
    bool Run(const std::vector<std::string>& arguments) override;
    bool HasPackagedSocket() override;
};

std::string SystemdUnitPath();
std::string AutostartEntryPath();

// File contents, with the executable quoted for each format.
std::string SystemdUnitText(const std::string& executable);
std::string AutostartEntryText(const std::string& executable);

// Both return true on success; `message` says what was done or what failed.
bool RegisterAgent(const std::string& executable, const std::string& version,
    UserServiceManager& services, std::string& message);
bool UnregisterAgent(UserServiceManager& services, std::string& message);

} // namespace velkor
