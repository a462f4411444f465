#include "batchwrite.h"

std::vector<FileIdentity> SourceIdentities(std::span<const std::string> sources) {
    std::vector<FileIdentity> identities;
    for (const std::string &source : sources)
        if (std::optional<FileIdentity> id = IdentityOfPath(source))
            identities.push_back(*id);
    return identities;
}

bool WriteThumbnailFile(const std::string &target, const PreparedThumbnail &thumbnail,
                        std::span<const FileIdentity> sources) {
    std::vector<FileIdentity> keep(sources.begin(), sources.end());
    if (thumbnail.source)
        keep.push_back(*thumbnail.source);
    return WriteCompleteFile(target, thumbnail.bytes, keep, AttributesOf(target)) == 0;
}
