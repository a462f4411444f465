#pragma once
// The last step of one photo in a batch run: the finished thumbnail reaches its target.
#include "batchpool.h"
#include "completefile.h"

#include <span>
#include <string>
#include <vector>

// The files of a batch that no thumbnail may replace: every source that exists now.
std::vector<FileIdentity> SourceIdentities(std::span<const std::string> sources);

// Writes the thumbnail as a complete file, or leaves the target as it was. Refuses a target
// that is the file the thumbnail was made from or one of `sources`, through any name or link,
// a folder and a special file. An existing file that is replaced passes its permissions on to
// the new one.
bool WriteThumbnailFile(const std::string &target, const PreparedThumbnail &thumbnail,
                        std::span<const FileIdentity> sources);
