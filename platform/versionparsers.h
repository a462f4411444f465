#pragma once
// The two container formats that can hold our version record; each returns nothing for a
// file of the other format or one without a record.
#include "bytesource.h"
#include "versionrecord.h"

std::optional<FileVersion> ReadElfVersionNote(const ByteSource &file);
std::optional<FileVersion> ReadPeVersionResource(const ByteSource &file);

// The stamped note: owner "Quillet", this type, four 32-bit numbers.
constexpr std::uint32_t kQuilletVersionNoteType = 1;
