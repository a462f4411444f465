#include "statustext.h"

#include "completefile.h"
#include "pathparts.h"

#include <cerrno>

std::string MemorySizeText(std::uint64_t bytes) {
    static const char units[] = "KMGT";
    int unit = -1;
    while (unit < 3 && bytes >= 1024 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + (unit < 0 ? std::string(" bytes") : std::string(1, units[unit]));
}

std::string DescribeStatus(const ThumbnailStatus &status, const ConversionAsked &asked) {
    const std::string &source = asked.source;
    const std::string &target = asked.target;
    const int code = status.systemError;
    switch (status.error) {
    case ThumbnailError::None:
        return "converted";
    case ThumbnailError::InvalidBox:
        return "the box is smaller than 1x1";
    case ThumbnailError::Source:
        switch (code) {
        case ENOENT:
            return "the photo does not exist";
        case EISDIR:
            return "it is a folder, not a photo";
        case kErrorSpecialFile:
            return "it is a FIFO, device or socket, not a photo";
        case EWOULDBLOCK:
            return "the photo is locked by another program";
        default:
            return "the photo cannot be read: " + DescribeFileError(code);
        }
    case ThumbnailError::NotDecodable:
        return status.message.empty() ? "the photo cannot be decoded"
                                      : "the photo cannot be decoded: " + status.message;
    case ThumbnailError::TooLarge:
        // Refused from its header, or stopped by the decoder when it asked for more on the way.
        if (status.message.empty())
            return "decoding the photo needs about " +
                   std::to_string((status.memoryNeeded + (1u << 20) - 1) >> 20) +
                   "M of memory, more than the memory limit of " +
                   MemorySizeText(asked.memoryLimit);
        return "decoding the photo needs more memory than the memory limit of " +
               MemorySizeText(asked.memoryLimit) + " allows: " + status.message;
    case ThumbnailError::NotEncodable:
        return "the thumbnail cannot be encoded: " + status.message;
    case ThumbnailError::OutOfMemory:
        return "the system has no memory left";
    case ThumbnailError::Stopped:
        return "the run stopped before the photo was converted";
    case ThumbnailError::Unexpected:
        return "unexpected error: " + status.message;
    case ThumbnailError::EmptyThumbnail:
        return "the thumbnail would be empty: cropped to " + std::to_string(asked.width) + "x" +
               std::to_string(asked.height) + " the photo keeps no whole row or column";
    case ThumbnailError::Target:
        break;
    }
    switch (code) {
    case kErrorProtectedTarget:
        return IdentityOfPath(target) && IdentityOfPath(target) == IdentityOfPath(source)
                   ? "the target " + target + " is the photo itself"
                   : "the target " + target + " is another photo of this batch";
    case ENOENT:
        return "the output folder " + FolderOf(target) + " does not exist";
    case ENOTDIR:
        return "the output path " + FolderOf(target) + " is not a folder";
    case EISDIR:
        return "the target " + target + " is a folder";
    case kErrorSpecialFile:
        return "the target " + target + " is a FIFO, device or socket";
    default:
        return "cannot write " + target + ": " + DescribeFileError(code);
    }
}
