#pragma once
// Where a source photo's thumbnail goes; the main window's batch and the command-line tool
// name their targets alike.
#include <string>

// The source path with the suffix appended when asked for, reduced to its file-name part
// (what follows the last "/", so a "/" inside the suffix cuts too) and placed in the folder.
// An empty name stays empty; an empty folder leaves the bare file name.
std::string ThumbnailTargetPath(const std::string &source, const std::string &folder,
                                bool addSuffix, const std::string &suffix);
