#pragma once
// quillet-thumb's run over the batch core: the photos gathered (folders walked with -r), one
// target planned per photo and size, up-to-date targets kept (--update), then every outcome
// reported in list order.
#include "options.h"
#include "uthumbnail.h"

#include <cstdint>
#include <functional>
#include <string>

struct BatchSummary {
    int total = 0;
    int converted = 0;
    int current = 0; // up to date, kept
    int skipped = 0;
    int failed = 0;
    double seconds = 0;
};

// What became of one thumbnail.
struct ThumbOutcome {
    std::string source;
    std::string relative; // the photo's path under the folder it was found under (-r)
    std::string target;
    // converted, failed, skipped, exists (kept, not replaced), current (up to date), or in a
    // dry run planned
    std::string status;
    std::string cause; // why it failed or was skipped or kept
    int width = 0;     // the thumbnail's
    int height = 0;
    std::size_t bytes = 0;
    double milliseconds = 0;
};

struct BatchReporter {
    // Every thumbnail, in list order.
    std::function<void(const ThumbOutcome &)> outcome;
    // Thumbnails finished so far.
    std::function<void(int done, int total)> progress;
};

BatchSummary RunThumbBatch(const ThumbOptions &options, const BatchReporter &reporter);

// The outcome as quillet-thumb prints it: a line of JSON, or for a problem a line of text
// ("failed SOURCE: cause"); empty when a text report has nothing to say.
std::string OutcomeLine(const ThumbOutcome &outcome, bool json);
