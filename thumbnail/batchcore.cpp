#include "batchcore.h"

#include "pathparts.h"

#include <algorithm>
#include <span>

#include <sys/stat.h>

namespace {

// Sorted, as WriteCompleteFile searches them.
std::vector<FileIdentity> identitiesOf(const std::vector<BatchJob> &jobs) {
    std::vector<FileIdentity> ids;
    ids.reserve(jobs.size());
    for (const BatchJob &job : jobs)
        if (std::optional<FileIdentity> id = IdentityOfPath(job.source))
            ids.push_back(*id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

ThumbnailBatch::ThumbnailBatch(std::vector<BatchJob> jobs, const ThumbnailRequest &request,
                               const BatchOptions &options)
    : jobs_(std::move(jobs)), request_(request), wake_(options.wake), sources_(identitiesOf(jobs_)),
      budget_(options.memoryLimit), done_(jobs_.size()) {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int count = std::clamp(options.workers > 0 ? options.workers : cores, 1,
                                 std::max(1, int(jobs_.size())));
    readAhead_ = options.readAhead > 0 ? options.readAhead : std::size_t(count) * 2;
    running_ = count;
    threads_.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        threads_.emplace_back([this] { work(); });
}

ThumbnailBatch::~ThumbnailBatch() {
    stop();
    for (std::thread &t : threads_)
        t.join();
}

BatchResult ThumbnailBatch::convertNow(std::size_t index) {
    BatchResult result;
    result.status = MakeThumbnailBytes(jobs_[index].source, result.bytes, request_, &budget_,
                                       [&result](const SharedReadFile &file) {
                                           result.source = file.identity();
                                           if (struct stat st{}; ::fstat(file.fd(), &st) == 0)
                                               result.read = StateOf(st);
                                           return ThumbnailStatus{};
                                       });
    return result;
}

ThumbnailStatus ThumbnailBatch::write(const std::string &target, const BatchResult &thumbnail) {
    // The photos of the batch and the file that was read, which is one of them unless it was
    // replaced since the start: only then is the list copied.
    std::span<const FileIdentity> keep = sources_;
    std::vector<FileIdentity> widened;
    if (thumbnail.source &&
        !std::binary_search(sources_.begin(), sources_.end(), *thumbnail.source)) {
        widened = sources_;
        widened.insert(std::upper_bound(widened.begin(), widened.end(), *thumbnail.source),
                       *thumbnail.source);
        keep = widened;
    }
    // The folder is claimed under the lock but read outside it, so the workers need not wait
    // for the scan; a write racing it is safe, as only dead writers' files are removed.
    const std::string folder = FolderOf(target);
    bool first = false;
    {
        std::lock_guard guard(lock_);
        first = swept_.insert(folder).second;
    }
    if (first)
        RemoveStaleTemporariesIn(folder);
    if (int error = WriteCompleteFile(target, thumbnail.bytes, keep, AttributesOf(target)))
        return {ThumbnailError::Target, error};
    return {};
}

void ThumbnailBatch::work() {
    std::unique_lock guard(lock_);
    for (;;) {
        moved_.wait(guard, [this] {
            return stopping_ || next_ >= jobs_.size() || next_ < released_ + readAhead_;
        });
        if (stopping_ || next_ >= jobs_.size())
            break;
        const std::size_t index = next_++;
        guard.unlock();
        const BatchJob &job = jobs_[index];
        BatchResult result;
        if (job.convert && !job.target.empty()) {
            // The command line's targets are known: a refused one fails before the work.
            if (int error = CheckCompleteFileTarget(job.target, sources_))
                result.status = {ThumbnailError::Target, error};
            else if ((result = convertNow(index)).status)
                result.status = write(job.target, result);
            result.bytes.clear();
        } else if (job.convert) {
            result = convertNow(index);
        }
        guard.lock();
        // A photo the walk has passed over or a stopped run no longer wants.
        if (stopping_ || index < released_)
            continue;
        done_[index] = std::move(result);
        moved_.notify_all();
        guard.unlock();
        if (wake_)
            wake_();
        guard.lock();
    }
    --running_;
    guard.unlock();
    moved_.notify_all();
    if (wake_)
        wake_();
}

bool ThumbnailBatch::ready(std::size_t index) const {
    std::lock_guard guard(lock_);
    return index < done_.size() && done_[index].has_value();
}

BatchResult ThumbnailBatch::take(std::size_t index) {
    BatchResult result;
    {
        std::lock_guard guard(lock_);
        if (index < done_.size() && done_[index])
            result = std::move(*done_[index]);
    }
    release(index);
    return result;
}

BatchResult ThumbnailBatch::waitFor(std::size_t index) {
    {
        std::unique_lock guard(lock_);
        moved_.wait(guard, [&] { return done_[index].has_value() || running_ == 0; });
    }
    return take(index);
}

void ThumbnailBatch::discard(std::size_t index) {
    release(index);
}

void ThumbnailBatch::release(std::size_t index) {
    {
        std::lock_guard guard(lock_);
        if (index < done_.size())
            done_[index].reset();
        released_ = std::max(released_, index + 1);
    }
    moved_.notify_all();
}

void ThumbnailBatch::stop() {
    // A worker waiting for decoder memory gives up at once.
    budget_.cancel();
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        for (std::optional<BatchResult> &held : done_)
            held.reset();
    }
    moved_.notify_all();
}

bool ThumbnailBatch::finished() const {
    std::lock_guard guard(lock_);
    return running_ == 0;
}
