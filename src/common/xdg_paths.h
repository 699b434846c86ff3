#pragma once

#include <string>

// Per-user locations of the freedesktop base-directory conventions, read from the environment
// each time (tests and `velkor register` point them at other folders).
namespace velkor {

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset, empty or not absolute.
std::string ConfigHome();

// $XDG_DATA_HOME, or $HOME/.local/share when it is unset, empty or not absolute.
std::string DataHome();

// $HOME (folders that ignore the XDG variables, such as Firefox's ~/.mozilla).
std::string UserHome();

// $XDG_CONFIG_HOME/velkor: the registration record and the origin allowlist live here.
std::string VelkorConfigDirectory();

// The user's download folder: XDG_DOWNLOAD_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else
// $HOME/Downloads. Never ends in '/'.
std::string DownloadDirectory();

} // namespace velkor
