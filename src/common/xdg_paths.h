#pragma once

#include <string>

// Per-user locations of the freedesktop base-directory conventions, read from the environment
// each time (tests and `velkor register` point them at other folders).
namespace velkor {

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset, empty or not absolute.
std::string ConfigHome();

// $XDG_CONFIG_HOME/velkor: the registration record and the origin allowlist live here.
std::string VelkorConfigDirectory();

// The user's download folder: XDG_DOWNLOAD_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else
// $HOME/Downloads. Never ends in '/'.
std::string DownloadDirectory();

} // namespace velkor
