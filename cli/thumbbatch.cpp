#include "thumbbatch.h"

#include "batchcore.h"
#include "completefile.h"
#include "pathparts.h"
#include "targetplan.h"

#include <cerrno>
#include <chrono>
#include <vector>

std::string MemorySizeText(std::uint64_t bytes) {
    static const char units[] = "KMGT";
    int unit = -1;
    while (unit < 3 && bytes >= 1024 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + (unit < 0 ? std::string(" bytes") : std::string(1, units[unit]));
}

std::string DescribeFailure(const std::string &source, const std::string &target,
                            const ThumbnailStatus &status, const ThumbOptions &o) {
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
        return status.message.empty() ? "not a JPEG photo that can be decoded"
                                      : "not a JPEG photo: " + status.message;
    case ThumbnailError::TooLarge:
        // Refused from its header, or stopped by libjpeg when it asked for more on the way.
        if (status.message.empty())
            return "decoding the photo needs about " +
                   std::to_string((status.memoryNeeded + (1u << 20) - 1) >> 20) +
                   "M of memory, more than the memory limit of " + MemorySizeText(o.memoryLimit);
        return "decoding the photo needs more memory than the memory limit of " +
               MemorySizeText(o.memoryLimit) + " allows: " + status.message;
    case ThumbnailError::NotEncodable:
        return "the thumbnail cannot be encoded: " + status.message;
    case ThumbnailError::OutOfMemory:
        return "the system has no memory left";
    case ThumbnailError::Unexpected:
        return "unexpected error: " + status.message;
    case ThumbnailError::EmptyThumbnail:
        return "the thumbnail would be empty: cropped to " + std::to_string(o.width) + "x" +
               std::to_string(o.height) + " the photo keeps no whole row or column";
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

BatchSummary RunThumbBatch(const ThumbOptions &o, const BatchReporter &reporter) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<PlannedTarget> plans =
        PlanTargets(o.sources, {o.outputFolder, o.addSuffix, o.suffix}, o.overwrite);
    std::vector<BatchJob> jobs;
    for (std::size_t i = 0; i < plans.size(); ++i)
        jobs.push_back({o.sources[i], plans[i].target, plans[i].plan == TargetPlan::Convert});
    ThumbnailRequest request;
    request.width = o.width;
    request.height = o.height;
    request.keepAspect = o.keepAspect;
    request.fill = o.fill;
    request.eraseEmpty = o.eraseEmpty;
    request.extras = o.extras;
    BatchOptions options;
    options.workers = o.jobs;
    options.memoryLimit = o.memoryLimit;
    // What the workers hold is a status each: they may run far ahead of a slow photo.
    options.readAhead = 64;
    ThumbnailBatch batch(std::move(jobs), request, options);

    BatchSummary summary;
    summary.total = int(plans.size());
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const std::string &source = o.sources[i];
        const PlannedTarget &p = plans[i];
        const BatchResult result = batch.waitFor(i);
        std::string line;
        switch (p.plan) {
        case TargetPlan::SkipFolder:
            line = "skipped " + source + ": it is a folder, not a photo";
            break;
        case TargetPlan::SkipExisting:
            line = "skipped " + source + ": " + p.target +
                   " already exists (use --overwrite to replace it)";
            break;
        case TargetPlan::SkipDuplicate:
            line = "skipped " + source + ": its thumbnail " + p.target + " is the one of " +
                   p.otherSource;
            break;
        case TargetPlan::SkipOtherSource:
            line = "skipped " + source + ": its thumbnail " + p.target +
                   " would replace the photo " + p.otherSource + " of this batch";
            break;
        case TargetPlan::Convert:
            if (!result.status)
                line =
                    "failed " + source + ": " + DescribeFailure(source, p.target, result.status, o);
            break;
        }
        ++(p.plan != TargetPlan::Convert ? summary.skipped
           : result.status               ? summary.converted
                                         : summary.failed);
        if (!line.empty() && reporter.problem)
            reporter.problem(line);
        if (reporter.progress)
            reporter.progress(int(i) + 1, summary.total);
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return summary;
}
