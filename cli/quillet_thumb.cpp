// quillet-thumb: the thumbnail engine from a shell.
#include "completefile.h"
#include "makefolder.h"
#include "namelist.h"
#include "options.h"
#include "thumbbatch.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// A one-line bar redrawn in place; problem lines are printed above it.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}

    void problem(const std::string &line) {
        clear();
        std::cerr << "quillet-thumb: " << line << '\n';
        draw();
    }

    void progress(int done, int total) {
        done_ = done;
        total_ = total;
        draw();
    }

    void end() {
        clear();
        enabled_ = false;
    }

private:
    void clear() {
        if (enabled_ && total_ > 0)
            std::cerr << "\r\033[K";
    }

    void draw() {
        if (!enabled_ || total_ == 0)
            return;
        constexpr int width = 30;
        const int filled = done_ * width / total_;
        std::cerr << "\r[" << std::string(std::size_t(filled), '#')
                  << std::string(std::size_t(width - filled), '.') << "] " << done_ << "/" << total_
                  << std::flush;
    }

    bool enabled_;
    int done_ = 0;
    int total_ = 0;
};

} // namespace

int main(int argc, char **argv) {
    const ParseResult parsed =
        ParseThumbCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.outcome) {
    case ParseOutcome::Help:
        std::cout << ThumbUsage();
        return 0;
    case ParseOutcome::Version:
        std::cout << "quillet-thumb " << QUILLET_VERSION_STRING << '\n';
        return 0;
    case ParseOutcome::UsageError:
        std::cerr << "quillet-thumb: " << parsed.error << "\n"
                  << "Try 'quillet-thumb --help' for more information.\n";
        return kExitUsage;
    case ParseOutcome::Run:
        break;
    }

    ThumbOptions o = parsed.options;
    if (!o.filesFrom.empty()) {
        std::vector<std::string> listed;
        if (int error = ReadNameList(o.filesFrom, listed)) {
            std::cerr << "quillet-thumb: cannot read the list " << o.filesFrom << ": "
                      << DescribeFileError(error) << '\n';
            return kExitNoList;
        }
        o.sources.insert(o.sources.end(), listed.begin(), listed.end());
    }

    // Ctrl-C or a kill never leaves a temporary file beside a thumbnail.
    DeferTerminationSignals();
    // As `mkdir -p` would: "-o thumbs" works in a fresh folder (not in a dry run).
    if (const int error = o.dryRun ? 0 : MakeFolderPath(o.outputFolder)) {
        std::cerr << "quillet-thumb: cannot make the output folder " << o.outputFolder << ": "
                  << DescribeFileError(error) << '\n';
        return kExitSomeFailed;
    }
    ProgressLine line(!o.quiet && !o.dryRun && ::isatty(STDERR_FILENO));
    BatchReporter reporter;
    reporter.outcome = [&line, &o](const ThumbOutcome &outcome) {
        const std::string text = OutcomeLine(outcome, o.json);
        if (o.json || outcome.status == "planned") {
            // A line at a time, so a reader (quillet-dask) sees each thumbnail as it is done.
            std::cout << text << std::endl;
        } else if (!text.empty()) {
            line.problem(text);
        }
    };
    reporter.progress = [&line](int done, int total) { line.progress(done, total); };
    const BatchSummary s = RunThumbBatch(o, reporter);
    line.end();

    if (!o.quiet) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", s.seconds);
        std::cerr << "quillet-thumb: " << s.converted << " of " << s.total
                  << (o.dryRun ? " to convert" : " converted");
        if (s.current)
            std::cerr << ", " << s.current << " up to date";
        if (s.skipped)
            std::cerr << ", " << s.skipped << " skipped";
        if (s.failed)
            std::cerr << ", " << s.failed << " failed";
        std::cerr << " in " << seconds << "s\n";
    }
    return s.converted + s.current == s.total ? kExitAllDone : kExitSomeFailed;
}
