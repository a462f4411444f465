#pragma once
// The user's own folders as the desktop names them (XDG user directories).
#include <string>

// The folder downloads go to: XDG_DOWNLOAD_DIR as $XDG_CONFIG_HOME/user-dirs.dirs sets it,
// else as the environment sets it, else ~/Downloads; the first of them that is a folder.
// When none is, the home folder. Empty only without a home folder.
std::string UserDownloadFolder();
