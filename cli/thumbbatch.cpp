#include "thumbbatch.h"

#include "batchcore.h"
#include "completefile.h"
#include "jsonline.h"
#include "pathparts.h"
#include "photoformats.h"
#include "settingsstamp.h"
#include "sourcewalk.h"
#include "statustext.h"
#include "targetplan.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <set>
#include <string_view>
#include <vector>

namespace {

// One thumbnail of the run: a photo in one size.
struct PlannedThumb {
    std::size_t entry; // of the sources listed
    std::size_t size;  // of the options' sizes
    std::string base;  // the output folder of its size
};

std::string skipCause(const PlannedTarget &p) {
    switch (p.plan) {
    case TargetPlan::SkipFolder:
        return "it is a folder, not a photo";
    case TargetPlan::SkipExisting:
        return p.target + " already exists (use --overwrite to replace it, or --update)";
    case TargetPlan::SkipDuplicate:
        return "its thumbnail " + p.target + " is the one of " + p.otherSource;
    case TargetPlan::SkipOtherSource:
        return "its thumbnail " + p.target + " would replace the photo " + p.otherSource +
               " of this batch";
    case TargetPlan::RefuseSelf:
    case TargetPlan::Convert:
        break;
    }
    return {};
}

} // namespace

std::string OutcomeLine(const ThumbOutcome &o, bool json) {
    if (json) {
        JsonObject line;
        line.add("source", o.source);
        if (!o.relative.empty())
            line.add("relative", o.relative);
        return line.add("target", o.target)
            .add("status", o.status)
            .add("cause", o.cause)
            .add("width", std::int64_t(o.width))
            .add("height", std::int64_t(o.height))
            .add("bytes", std::int64_t(o.bytes))
            .add("milliseconds", o.milliseconds)
            .line();
    }
    if (o.status == "planned")
        return o.source + " -> " + o.target;
    if (o.status == "converted" && !o.cause.empty())
        return "converted " + o.source + ", but " + o.cause;
    if (o.status == "converted" || o.status == "current")
        return {};
    return (o.status == "failed" ? "failed " : "skipped ") + o.source + ": " + o.cause;
}

BatchSummary RunThumbBatch(const ThumbOptions &o, const BatchReporter &reporter) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<SourceEntry> entries = ListSources(o.sources, o.recursive, HasPhotoExtension);
    const bool sized = o.sizes.size() > 1 || o.sizeFolders;
    const TargetNaming naming{o.outputFolder, o.addSuffix, o.suffix, o.format};

    // Photo by photo, each in every size, so one worker takes all sizes of a photo in a row.
    std::vector<PlannedThumb> thumbs;
    std::vector<std::string> sources, targets;
    for (std::size_t e = 0; e < entries.size(); ++e)
        // A folder passed over is reported once, not once for each size.
        for (std::size_t s = 0; s < (entries[e].skipped.empty() ? o.sizes.size() : 1); ++s) {
            const ThumbBox &box = o.sizes[s];
            const TargetNaming own =
                sized ? NamingForSize(naming, box.width, box.height, o.sizeFolders) : naming;
            thumbs.push_back({e, s, own.folder});
            sources.push_back(entries[e].path);
            targets.push_back(entries[e].skipped.empty()
                                  ? ThumbnailTargetPath(entries[e].path, own, entries[e].relative)
                                  : std::string());
        }
    std::vector<PlannedTarget> plans = PlanTargets(sources, targets, o.overwrite || o.update);

    ThumbnailRequest request;
    request.keepAspect = o.keepAspect;
    request.fill = o.fill;
    request.eraseEmpty = o.eraseEmpty;
    request.transparent = o.transparent;
    request.extras = o.extras;
    request.format = o.format;
    request.quality = o.quality;
    request.srgb = o.srgb;
    std::vector<ThumbOutcome> outcomes(thumbs.size());
    std::vector<BatchJob> jobs;
    std::set<std::string> madeFolders;
    for (std::size_t i = 0; i < thumbs.size(); ++i) {
        const SourceEntry &entry = entries[thumbs[i].entry];
        const ThumbBox &box = o.sizes[thumbs[i].size];
        PlannedTarget &p = plans[i];
        ThumbOutcome &out = outcomes[i];
        out = {entry.path, entry.relative, p.target, "skipped", skipCause(p)};
        if (!entry.skipped.empty()) {
            out.cause = entry.skipped;
            p.plan = TargetPlan::SkipFolder;
        } else if (p.plan == TargetPlan::Convert && o.update) {
            request.width = box.width;
            request.height = box.height;
            if (ThumbnailIsCurrent(entry.path, p.target, SettingsStampOf(request))) {
                out.status = "current";
                out.cause = "up to date";
                p.plan = TargetPlan::SkipExisting;
            }
        } else if (p.plan == TargetPlan::SkipExisting) {
            out.status = "exists";
        } else if (p.plan == TargetPlan::RefuseSelf) {
            out.status = "failed";
            out.cause =
                DescribeStatus({ThumbnailError::Target, kErrorProtectedTarget},
                               {entry.path, p.target, box.width, box.height, o.memoryLimit});
        }
        if (out.status == "skipped" && p.plan == TargetPlan::Convert)
            out.status = o.dryRun ? "planned" : "converted";
        bool convert = p.plan == TargetPlan::Convert && !o.dryRun;
        // The folders of the output tree, made once each before the workers write there.
        const std::string folder = FolderOf(p.target);
        if (convert && madeFolders.count(folder) == 0) {
            if (int error = MakeTargetFolders(thumbs[i].base, p.target)) {
                convert = false;
                out.status = "failed";
                out.cause = "cannot make the folder " + folder + ": " + DescribeFileError(error);
            } else {
                madeFolders.insert(folder);
            }
        }
        jobs.push_back({entry.path, p.target, convert, box.width, box.height});
    }

    BatchSummary summary;
    summary.total = int(thumbs.size());
    BatchOptions options;
    options.workers = o.jobs;
    options.memoryLimit = o.memoryLimit;
    options.stamp = o.update;
    // What the workers hold is a status each: they may run far ahead of a slow photo.
    options.readAhead = 64;
    request.width = o.sizes[0].width;
    request.height = o.sizes[0].height;
    ThumbnailBatch batch(std::move(jobs), request, options);
    for (std::size_t i = 0; i < thumbs.size(); ++i) {
        ThumbOutcome &out = outcomes[i];
        const BatchResult result = batch.waitFor(i);
        if (out.status == "converted" && !result.status) {
            out.status = "failed";
            const ThumbBox &box = o.sizes[thumbs[i].size];
            out.cause = DescribeStatus(
                result.status, {out.source, out.target, box.width, box.height, o.memoryLimit});
        } else if (out.status == "converted") {
            out.cause = result.status.message;
            out.width = result.width;
            out.height = result.height;
            out.bytes = result.size;
            out.milliseconds = result.milliseconds;
        }
        ++(out.status == "converted" || out.status == "planned" ? summary.converted
           : out.status == "current"                            ? summary.current
           : out.status == "failed"                             ? summary.failed
                                                                : summary.skipped);
        if (reporter.outcome)
            reporter.outcome(out);
        if (reporter.progress)
            reporter.progress(int(i) + 1, summary.total);
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return summary;
}
