#pragma once
// Creating a folder with its missing parents, as `mkdir -p` does, without trusting a name
// between two steps: each level is opened and the next one made inside what was opened.
#include <string>

// 0 when `path` is a folder afterwards, else the errno of the step that failed (ENOTDIR when
// a part of the path is a file or FIFO, ELOOP or ENOTDIR for a dangling link). Folders that exist
// are used as they are, links to them included; a folder made here is opened without following a
// link, so a link put in its place meanwhile is refused (ELOOP or ENOTDIR). New folders get 0777
// less the umask.
int MakeFolderPath(const std::string &path);
