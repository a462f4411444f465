#pragma once
// Replacing a small file so that a reader, or a crash, never meets a half-written file.
#include <optional>
#include <string>
#include <string_view>

// The whole file, or nothing when it does not exist, is not a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string &fileName);

// Whether `folder` is a folder a plain write could create files in, except that a folder
// without any write bit counts as read-only even for the superuser, the way a read-only
// attribute binds every user.
bool IsWritableFolder(const std::string &folder);

// Writes the contents to a temporary file in the same folder (unnamed where the file system
// allows it) and renames it over the file, keeping the old file's permissions (and, where
// allowed, its owner). A symbolic link is followed, so the link stays. Refuses, like a plain
// write would, when the old file or the folder has no write permission at all, even for the
// superuser, when the file is not a regular file (never opening a FIFO or device), and
// whenever the system refuses a step; the old file is then left untouched. Leftovers of a
// killed earlier writer are removed. A writable file in a folder that takes no new names
// (so no temporary file can stand beside it) is written over in place and flushed.
bool ReplaceFileContents(const std::string &fileName, std::string_view contents);
