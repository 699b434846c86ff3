#include "agent/host_manifests.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "common/atomic_file.h"
#include "common/xdg_paths.h"

namespace velkor {

namespace {

namespace fs = std::filesystem;

// A POSIX shell word: single quotes, each ' written as '\''.
std::string ShellQuoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

} // namespace

std::vector<HostManifestPlace> HostManifestPlaces()
{
    const std::string file = std::string("/NativeMessagingHosts/") + kNativeHostName + ".json";
    return {
        { "Chromium", ConfigHome() + "/chromium" + file, false },
        { "Google Chrome", ConfigHome() + "/google-chrome" + file, false },
        { "Firefox", UserHome() + "/.mozilla/native-messaging-hosts/" + kNativeHostName + ".json",
            true },
    };
}

std::string NativeHostLauncherPath()
{
    return DataHome() + "/velkor/native-host";
}

std::string NativeHostLauncherText(const std::string& executable)
{
    // The browser adds its own arguments (the calling extension); native-host ignores them.
    return "#!/bin/sh\n"
           "# Written by velkor register: the browsers start this for the Velkor extension.\n"
           "exec "
        + ShellQuoted(executable) + " native-host \"$@\"\n";
}

std::string HostManifestText(const std::string& launcher, bool firefox)
{
    nlohmann::json manifest = {
        { "name", kNativeHostName },
        { "description", "Velkor card agent for bank web pages" },
        { "path", launcher },
        { "type", "stdio" },
    };
    if (firefox) {
        manifest["allowed_extensions"] = { kFirefoxExtensionId };
    } else {
        manifest["allowed_origins"]
            = { std::string("chrome-extension://") + kChromiumExtensionId + "/" };
    }
    return manifest.dump(2) + "\n";
}

bool InstallHostManifests(const std::string& executable, std::string& message)
{
    const std::string launcher = NativeHostLauncherPath();
    if (!WriteFileAtomically(launcher, NativeHostLauncherText(executable))) {
        message = "cannot write " + launcher;
        return false;
    }
    std::error_code error;
    fs::permissions(launcher,
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec,
        error);
    if (error) {
        message = "cannot make " + launcher + " executable";
        return false;
    }
    message = "installed the browser extension's host for";
    for (const auto& place : HostManifestPlaces()) {
        if (!WriteFileAtomically(place.path, HostManifestText(launcher, place.firefox))) {
            message = "cannot write " + place.path;
            return false;
        }
        message += " " + place.browser + ",";
    }
    message.back() = '.';
    return true;
}

bool RemoveHostManifests(std::string& message)
{
    bool removed = true;
    std::error_code error;
    for (const auto& place : HostManifestPlaces()) {
        fs::remove(place.path, error);
        removed = removed && !error;
    }
    fs::remove(NativeHostLauncherPath(), error);
    removed = removed && !error;
    message = removed ? "removed the browser extension's host"
                      : "could not remove every browser host manifest";
    return removed;
}

} // namespace velkor
