#include "agent/registration.h"

#include <filesystem>

#include <QProcess>
#include <QStringList>

#include "common/atomic_file.h"
#include "common/xdg_paths.h"
#include "control/registration_record.h"

namespace velkor {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUnitName = "velkor.service";
constexpr const char* kSocketName = "velkor.socket";
// Where packages put user units (the velkor package: /usr/lib), and the administrator's own.
constexpr const char* kPackagedSocketPaths[]
    = { "/usr/lib/systemd/user/velkor.socket", "/etc/systemd/user/velkor.socket" };

bool RemoveFile(const std::string& path)
{
    std::error_code error;
    fs::remove(path, error);
    return !error;
}

// systemd command lines: double quotes with C escapes; '%' starts a specifier and '$' a variable.
std::string SystemdQuoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '%') {
            out += "%%";
        } else if (c == '$') {
            out += "$$";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Desktop entry Exec: inside double quotes '"', '`', '$' and '\' are backslash-escaped, then the
// value's own escaping doubles every backslash; '%' starts a field code.
std::string DesktopExecQuoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$') {
            out += "\\\\";
            out += c;
        } else if (c == '\\') {
            out += "\\\\\\\\";
        } else if (c == '%') {
            out += "%%";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

bool SystemctlUser::Available()
{
    QProcess process;
    process.start(QStringLiteral("systemctl"),
        { QStringLiteral("--user"), QStringLiteral("show-environment") });
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

bool SystemctlUser::Run(const std::vector<std::string>& arguments)
{
    QStringList list { QStringLiteral("--user") };
    for (const auto& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    return QProcess::execute(QStringLiteral("systemctl"), list) == 0;
}

bool SystemctlUser::HasPackagedSocket()
{
    std::error_code error;
    for (const char* path : kPackagedSocketPaths) {
        if (fs::exists(path, error)) {
            return true;
        }
    }
    return false;
}

std::string SystemdUnitPath()
{
    return ConfigHome() + "/systemd/user/" + kUnitName;
}

std::string AutostartEntryPath()
{
    return ConfigHome() + "/autostart/velkor.desktop";
}

std::string SystemdUnitText(const std::string& executable)
{
    return "[Unit]\n"
           "Description=Velkor card agent for bank web pages\n"
           "After=graphical-session.target\n"
           "PartOf=graphical-session.target\n"
           "\n"
           "[Service]\n"
           "ExecStart="
        + SystemdQuoted(executable)
        + " serve\n"
          "Restart=on-failure\n"
          "\n"
          "[Install]\n"
          "WantedBy=graphical-session.target\n";
}

std::string AutostartEntryText(const std::string& executable)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Velkor card agent\n"
           "Comment=Lets bank web pages use the chip card in the card reader\n"
           "Exec="
        + DesktopExecQuoted(executable)
        + " serve\n"
          "NoDisplay=true\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n";
}

bool RegisterAgent(const std::string& executable, const std::string& version,
    UserServiceManager& services, std::string& message)
{
    if (executable.empty() || executable.front() != '/'
        || executable.find_first_of("\n\r") != std::string::npos) {
        message = "the executable must be an absolute path on one line: " + executable;
        return false;
    }
    // Exactly one start-up mechanism: the others are removed, in case the session changed.
    std::error_code error;
    if (services.Available() && services.HasPackagedSocket()) {
        // An agent of our own unit would hold the port the socket listens on, and would shadow
        // the package's service of the same name.
        if (fs::exists(SystemdUnitPath(), error)) {
            services.Run({ "disable", "--now", kUnitName });
            RemoveFile(SystemdUnitPath());
            services.Run({ "daemon-reload" });
        }
        RemoveFile(AutostartEntryPath());
        // Undoes an earlier unregister; fails harmlessly when nothing was masked.
        services.Run({ "unmask", kSocketName });
        if (!services.Run({ "enable", "--now", kSocketName })) {
            message = "systemctl --user could not enable " + std::string(kSocketName);
            return false;
        }
        message = "registered the systemd user socket " + std::string(kSocketName)
            + ": the agent starts when a page connects";
    } else if (services.Available()) {
        if (!WriteFileAtomically(SystemdUnitPath(), SystemdUnitText(executable))) {
            message = "cannot write " + SystemdUnitPath();
            return false;
        }
        if (!services.Run({ "daemon-reload" }) || !services.Run({ "enable", "--now", kUnitName })) {
            message = "systemctl --user could not enable " + std::string(kUnitName);
            return false;
        }
        RemoveFile(AutostartEntryPath());
        message = "registered the systemd user service " + SystemdUnitPath();
    } else {
        if (!WriteFileAtomically(AutostartEntryPath(), AutostartEntryText(executable))) {
            message = "cannot write " + AutostartEntryPath();
            return false;
        }
        RemoveFile(SystemdUnitPath());
        message = "registered the autostart entry " + AutostartEntryPath();
    }
    if (!WriteRegistrationRecord(RegistrationRecordPath(), { executable, version })) {
        message = "cannot write " + RegistrationRecordPath();
        return false;
    }
    return true;
}

bool UnregisterAgent(UserServiceManager& services, std::string& message)
{
    std::error_code error;
    if (services.Available() && services.HasPackagedSocket()) {
        // The package enables the socket for every user: masking is what keeps it off for this
        // one, across logins and upgrades. The running agent, if any, ends now.
        services.Run({ "mask", "--now", kSocketName });
        services.Run({ "stop", kUnitName });
    }
    if (fs::exists(SystemdUnitPath(), error) && services.Available()) {
        // Failing to stop a service that is not running is not a failure to unregister.
        services.Run({ "disable", "--now", kUnitName });
    }
    const bool removed = RemoveFile(SystemdUnitPath()) && RemoveFile(AutostartEntryPath())
        && RemoveFile(RegistrationRecordPath());
    if (services.Available()) {
        services.Run({ "daemon-reload" });
    }
    message = removed ? "unregistered" : "could not remove every registration file";
    return removed;
}

} // namespace velkor
