#pragma once
// quillet-thumb's report over the batch core: each failed or skipped photo, in list order.
#include "options.h"
#include "uthumbnail.h"

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
