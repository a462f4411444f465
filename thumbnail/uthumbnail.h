#pragma once
// The thumbnail engine: one JPEG in, one JPEG thumbnail out. Failures are only a false
// result; nothing is shown or thrown. No state is kept between calls.
#include "colors.h"

#include <cstdint>
#include <iosfwd>
#include <string>

// Reads the source from its current position to its end and, only when everything has
// succeeded, writes the complete thumbnail to the target in one write.
bool CreateThumbnailStream(std::istream &Source, std::ostream &Target, int Width, int Height,
                           bool KeepAspect, TColor FillColor, bool Transparent, bool EraseEmpty);

// The same from one named file to another. The source is opened exclusively; the target is
// created (truncated) before decoding, so a failure after that leaves it empty. A target
// that is the source itself, through any name or link, is refused before anything is
// truncated.
bool CreateThumbnail(const std::string &SourceFileName, const std::string &TargetFileName,
                     int Width, int Height, bool KeepAspect, TColor FillColor, bool Transparent,
                     bool EraseEmpty);
