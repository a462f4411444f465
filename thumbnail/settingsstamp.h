#pragma once
// The settings a thumbnail was made with, kept inside it (a JPEG comment, a PNG text chunk,
// XMP in WebP and AVIF), so that a later run can tell an up-to-date thumbnail from one made
// otherwise without decoding anything. Only runs that ask for it write the stamp: other thumbnails
// stay byte for byte what they were.
#include "uthumbnail.h"

#include <string>
#include <string_view>

// The settings that decide a thumbnail's pixels, as the text of the stamp kept inside it.
std::string SettingsStampOf(const ThumbnailRequest &request);

// The XMP packet that holds the stamp, for the encoders of WebP and AVIF to write.
std::string SettingsXmp(std::string_view stamp);

// `encoded` (a JPEG or PNG file) with the stamp added after its first header segment (the
// JFIF segment, the PNG header chunk); any other contents come back unchanged.
std::string AddSettingsStamp(std::string_view encoded, std::string_view stamp);

// The stamp in the first few kilobytes of the regular file at `path` (WebP: in its XMP chunk,
// after the picture's, found from the chunks' headers); a link is not followed, a FIFO or
// device is never opened for reading. Empty when there is none.
std::string ReadSettingsStamp(const std::string &path);

// The picture size in the header of an encoded JPEG, PNG, WebP or AVIF (as our encoders write
// them); false (sizes untouched) for anything else.
bool EncodedPictureSize(std::string_view encoded, int &width, int &height);

// Whether `target` is a thumbnail of `source` as it is now: a regular file (not a link),
// modified later than the source, holding `stamp`. Only the target's first kilobytes are read.
bool ThumbnailIsCurrent(const std::string &source, const std::string &target,
                        std::string_view stamp);
