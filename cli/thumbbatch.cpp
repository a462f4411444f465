#include "thumbbatch.h"

#include "thumbnailnaming.h"
#include "uthumbnail.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Plan { Convert, SkipExisting, SkipDuplicate, SkipFolder };

struct Job {
    std::string source;
    std::string target;
    Plan plan = Plan::Convert;
    std::string firstSource; // for SkipDuplicate
};

std::string folderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isFolder(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Targets are decided before any thread starts, so that two sources with the same file
// name never race for one target: the first in the list wins, later ones are skipped.
std::vector<Job> planJobs(const ThumbOptions &o) {
    std::vector<Job> jobs;
    std::map<std::string, std::string> claimed;
    for (const std::string &source : o.sources) {
        Job job;
        job.source = source;
        job.target = ThumbnailTargetPath(source, o.outputFolder, o.addSuffix, o.suffix);
        if (isFolder(source)) {
            job.plan = Plan::SkipFolder;
        } else if (auto it = claimed.find(job.target); it != claimed.end()) {
            job.plan = Plan::SkipDuplicate;
            job.firstSource = it->second;
        } else {
            claimed.emplace(job.target, source);
            if (!o.overwrite && exists(job.target))
                job.plan = Plan::SkipExisting;
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

} // namespace

std::string DescribeFailure(const std::string &source, const std::string &target) {
    if (::access(source.c_str(), F_OK) != 0)
        return "the photo does not exist";
    if (::access(source.c_str(), R_OK) != 0)
        return "the photo cannot be read: " + std::string(std::strerror(errno));
    const std::string folder = folderOf(target);
    if (!isFolder(folder))
        return "the output folder " + folder + " does not exist";
    if (::access(folder.c_str(), W_OK) != 0 && !exists(target))
        return "the output folder " + folder + " is not writable";
    if (exists(target) && ::access(target.c_str(), W_OK) != 0)
        return "the target cannot be written";
    struct stat a {
    }, b{};
    if (::stat(source.c_str(), &a) == 0 && ::stat(target.c_str(), &b) == 0 &&
        a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return "the target is the photo itself";
    return "not a JPEG photo that can be decoded, or it is in use";
}

BatchSummary RunThumbBatch(const ThumbOptions &o, const BatchReporter &reporter) {
    const auto started = std::chrono::steady_clock::now();
    std::vector<Job> jobs = planJobs(o);
    BatchSummary summary;
    summary.total = int(jobs.size());

    std::mutex reportLock;
    std::atomic<std::size_t> next{0};
    int done = 0;
    auto finish = [&](int &counter, const std::string &line) {
        std::lock_guard lock(reportLock);
        ++counter;
        if (!line.empty() && reporter.problem)
            reporter.problem(line);
        if (reporter.progress)
            reporter.progress(++done, summary.total);
    };

    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job &job = jobs[i];
            switch (job.plan) {
            case Plan::SkipFolder:
                finish(summary.skipped, "skipped " + job.source + ": it is a folder, not a photo");
                break;
            case Plan::SkipExisting:
                finish(summary.skipped, "skipped " + job.source + ": " + job.target +
                                            " already exists (use --overwrite to replace it)");
                break;
            case Plan::SkipDuplicate:
                finish(summary.skipped, "skipped " + job.source + ": its thumbnail " + job.target +
                                            " is the one of " + job.firstSource);
                break;
            case Plan::Convert:
                if (CreateThumbnail(job.source, job.target, o.width, o.height, o.keepAspect, o.fill,
                                    false, o.eraseEmpty))
                    finish(summary.converted, "");
                else
                    finish(summary.failed,
                           "failed " + job.source + ": " + DescribeFailure(job.source, job.target));
                break;
            }
        }
    };

    unsigned threads =
        o.jobs > 0 ? unsigned(o.jobs) : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min<unsigned>(threads, unsigned(std::max<std::size_t>(1, jobs.size())));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread &t : pool)
        t.join();

    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return summary;
}
