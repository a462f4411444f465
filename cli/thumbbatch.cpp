#include "thumbbatch.h"

#include "batchcore.h"
#include "statustext.h"
#include "targetplan.h"

#include <chrono>
#include <vector>

BatchSummary RunThumbBatch(const ThumbOptions &o, const BatchReporter &reporter) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<PlannedTarget> plans =
        PlanTargets(o.sources, {o.outputFolder, o.addSuffix, o.suffix, o.format}, o.overwrite);
    std::vector<BatchJob> jobs;
    for (std::size_t i = 0; i < plans.size(); ++i)
        jobs.push_back({o.sources[i], plans[i].target, plans[i].plan == TargetPlan::Convert});
    ThumbnailRequest request;
    request.width = o.width;
    request.height = o.height;
    request.keepAspect = o.keepAspect;
    request.fill = o.fill;
    request.transparent = o.transparent;
    request.eraseEmpty = o.eraseEmpty;
    request.extras = o.extras;
    request.format = o.format;
    request.quality = o.quality;
    request.srgb = o.srgb;
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
        case TargetPlan::RefuseSelf:
            line = "failed " + source + ": " +
                   DescribeStatus({ThumbnailError::Target, kErrorProtectedTarget},
                                  {source, p.target, o.width, o.height, o.memoryLimit});
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
                line = "failed " + source + ": " +
                       DescribeStatus(result.status,
                                      {source, p.target, o.width, o.height, o.memoryLimit});
            break;
        }
        ++(p.plan == TargetPlan::RefuseSelf ? summary.failed
           : p.plan != TargetPlan::Convert  ? summary.skipped
           : result.status                  ? summary.converted
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
