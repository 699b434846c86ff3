#include "common/xdg_paths.h"

#include <cstdlib>
#include <fstream>

namespace velkor {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string HomeDirectory()
{
    return Environment("HOME");
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// user-dirs.dirs holds shell assignments such as XDG_DOWNLOAD_DIR="$HOME/Downloads"; only
// "$HOME/..." and absolute paths are valid there.
std::string DownloadDirectoryFromUserDirs(const std::string& file)
{
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOWNLOAD_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = HomeDirectory() + value.substr(5);
        }
        if (!value.empty() && value.front() == '/') {
            return WithoutTrailingSlash(value);
        }
    }
    return {};
}

} // namespace

std::string ConfigHome()
{
    const std::string configured = Environment("XDG_CONFIG_HOME");
    if (!configured.empty() && configured.front() == '/') {
        return WithoutTrailingSlash(configured);
    }
    return HomeDirectory() + "/.config";
}

std::string DataHome()
{
    const std::string configured = Environment("XDG_DATA_HOME");
    if (!configured.empty() && configured.front() == '/') {
        return WithoutTrailingSlash(configured);
    }
    return HomeDirectory() + "/.local/share";
}

std::string UserHome()
{
    return WithoutTrailingSlash(HomeDirectory());
}

std::string VelkorConfigDirectory()
{
    return ConfigHome() + "/velkor";
}

std::string DownloadDirectory()
{
    const std::string fromUserDirs
        = DownloadDirectoryFromUserDirs(ConfigHome() + "/user-dirs.dirs");
    if (!fromUserDirs.empty()) {
        return fromUserDirs;
    }
    return HomeDirectory() + "/Downloads";
}

} // namespace velkor
