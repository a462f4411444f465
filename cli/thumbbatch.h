#pragma once
// Converts a list of photos on several threads, reporting each failed or skipped file.
#include "options.h"

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
    // One line per failed or skipped file; called from worker threads, one at a time.
    std::function<void(const std::string &line)> problem;
    // Files finished so far; called from worker threads, one at a time.
    std::function<void(int done, int total)> progress;
};

BatchSummary RunThumbBatch(const ThumbOptions &options, const BatchReporter &reporter);

// Why a conversion of `source` into `target` failed, as far as the file system tells.
std::string DescribeFailure(const std::string &source, const std::string &target);
