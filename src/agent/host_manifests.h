#pragma once

#include <string>
#include <vector>

// The browsers' native-messaging host manifests that let the Velkor extension start
// `velkor native-host`, installed in the user's own folders by `velkor register`. A manifest
// cannot pass arguments, so it names a small launcher script that runs the registered program
// with `native-host`. Each manifest allows only the Velkor extension: Chromium-based browsers by
// its fixed id (derived from the `key` in extension/manifest.json), Firefox by its gecko id.
namespace velkor {

inline constexpr const char* kNativeHostName = "com.velkor.agent";
inline constexpr const char* kChromiumExtensionId = "cbckpafkgagkkjgkgmenlkfapbekeijc";
inline constexpr const char* kFirefoxExtensionId = "velkor@velkor.example";

struct HostManifestPlace {
    std::string browser; // "Chromium", "Google Chrome", "Firefox"
    std::string path;
    bool firefox = false;
};

// $XDG_CONFIG_HOME/chromium/..., $XDG_CONFIG_HOME/google-chrome/..., ~/.mozilla/...
std::vector<HostManifestPlace> HostManifestPlaces();
// $XDG_DATA_HOME/velkor/native-host
std::string NativeHostLauncherPath();

std::string NativeHostLauncherText(const std::string& executable);
std::string HostManifestText(const std::string& launcher, bool firefox);

// Writes the launcher and every manifest; false, with `message` set, when one cannot be written.
bool InstallHostManifests(const std::string& executable, std::string& message);
// Removes them (those already absent included); false when one cannot be removed.
bool RemoveHostManifests(std::string& message);

} // namespace velkor
