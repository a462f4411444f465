#pragma once
// The volume a path lives on: its serial number and whether it is a local disk.
#include <cstdint>
#include <string>

// Eight upper-case hexadecimal digits, zero-padded.
std::string FormatDiskSerial(std::uint32_t serial);

// The serial of the file system holding path, as exactly eight upper-case hexadecimal
// digits; empty when the path's file system cannot be queried.
std::string GetDiskSerial(const std::string &path);

// True when the file system holding path (or its nearest existing parent folder; the
// current folder for an empty path) is a local disk: not a network share, optical disc,
// memory-backed or kernel file system.
bool IsLocalDrive(const std::string &path);

// The same decision for a statfs file-system type number.
bool IsLocalFileSystemType(long type);
