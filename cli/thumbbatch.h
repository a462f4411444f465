#pragma once
// quillet-thumb's report over the batch core: each failed or skipped photo, in list order.
#include "options.h"
#include "uthumbnail.h"

#include <cstdint>
#include <functional>
#include <string>

struct BatchSummary {
    int total = 0;
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    double seconds = 0;
};

struct BatchReporter {
    // One line per failed or skipped file.
    std::function<void(const std::string &line)> problem;
    // Files finished so far.
    std::function<void(int done, int total)> progress;
};

BatchSummary RunThumbBatch(const ThumbOptions &options, const BatchReporter &reporter);

// Why a conversion of `source` into `target` failed, from what the engine reported.
std::string DescribeFailure(const std::string &source, const std::string &target,
                            const ThumbnailStatus &status, const ThumbOptions &options);

// "1G", "512M", "1000 bytes": the largest unit that shows the size exactly.
std::string MemorySizeText(std::uint64_t bytes);
