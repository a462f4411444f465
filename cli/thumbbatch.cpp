#include "thumbbatch.h"

#include "completefile.h"
#include "memorybudget.h"
#include "pathparts.h"
#include "thumbnailnaming.h"
#include "uthumbnail.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Plan { Convert, SkipExisting, SkipDuplicate, SkipFolder, SkipOtherSource };

struct Job {
    std::string source;
    std::string target;
    Plan plan = Plan::Convert;
    std::string otherSource; // for SkipDuplicate and SkipOtherSource
};

bool isFolder(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The files a name stands for: the link itself, and what it leads to.
std::vector<FileIdentity> identitiesOf(const std::string &path) {
    std::vector<FileIdentity> ids;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        ids.push_back({st.st_dev, st.st_ino});
    if (auto followed = IdentityOfPath(path))
        ids.push_back(*followed);
    return ids;
}

struct Sources {
    std::vector<std::string> names;
    std::vector<FileIdentity> ids;

    // The source of the batch that `target` names, if any.
    const std::string *namedBy(const std::string &target) const {
        for (const FileIdentity &id : identitiesOf(target))
            for (std::size_t i = 0; i < ids.size(); ++i)
                if (ids[i] == id)
                    return &names[i];
        return nullptr;
    }
};

Sources sourcesOf(const ThumbOptions &o) {
    Sources s;
    for (const std::string &source : o.sources)
        if (auto id = IdentityOfPath(source)) {
            s.names.push_back(source);
            s.ids.push_back(*id);
        }
    return s;
}

// Targets are decided before any thread starts, so that two sources with the same file
// name never race for one target: the first in the list wins, later ones are skipped. A
// target that is another photo of the batch is never written.
std::vector<Job> planJobs(const ThumbOptions &o, const Sources &sources) {
    std::vector<Job> jobs;
    std::map<std::string, std::string> claimed;
    for (const std::string &source : o.sources) {
        Job job;
        job.source = source;
        job.target = ThumbnailTargetPath(source, o.outputFolder, o.addSuffix, o.suffix);
        const std::string *named = sources.namedBy(job.target);
        const auto own = IdentityOfPath(source);
        if (isFolder(source)) {
            job.plan = Plan::SkipFolder;
        } else if (auto it = claimed.find(job.target); it != claimed.end()) {
            job.plan = Plan::SkipDuplicate;
            job.otherSource = it->second;
        } else if (named && !(own && IdentityOfPath(*named) == own)) {
            job.plan = Plan::SkipOtherSource;
            job.otherSource = *named;
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
    case ThumbnailError::TooLarge: {
        const std::uint64_t mib = (status.memoryNeeded + (1u << 20) - 1) >> 20;
        return "decoding the photo needs " +
               (mib ? "about " + std::to_string(mib) + "M of memory" : std::string("more memory")) +
               ", more than the memory limit of " + MemorySizeText(o.memoryLimit);
    }
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
    const Sources sources = sourcesOf(o);
    std::vector<Job> jobs = planJobs(o, sources);
    BatchSummary summary;
    summary.total = int(jobs.size());
    DecoderMemoryBudget budget(o.memoryLimit);
    const ThumbnailFileOptions engineOptions{sources.ids, &budget, {}};

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
                                            " is the one of " + job.otherSource);
                break;
            case Plan::SkipOtherSource:
                finish(summary.skipped, "skipped " + job.source + ": its thumbnail " + job.target +
                                            " would replace the photo " + job.otherSource +
                                            " of this batch");
                break;
            case Plan::Convert: {
                const ThumbnailStatus status =
                    MakeThumbnailFile(job.source, job.target, o.width, o.height, o.keepAspect,
                                      o.fill, false, o.eraseEmpty, engineOptions);
                if (status)
                    finish(summary.converted, "");
                else
                    finish(summary.failed, "failed " + job.source + ": " +
                                               DescribeFailure(job.source, job.target, status, o));
                break;
            }
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
