#include "batchcore.h"

#include "geometry.h"
#include "outputformat.h"
#include "pathparts.h"
#include "settingsstamp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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

// Which file was read, in which version.
void noteOpened(const SharedReadFile &file, BatchResult &result) {
    result.source = file.identity();
    if (struct stat st{}; ::fstat(file.fd(), &st) == 0)
        result.read = StateOf(st);
}

ThumbnailRequest stampedAsAsked(ThumbnailRequest request, bool stamp) {
    request.stamped = stamp;
    return request;
}

} // namespace

ThumbnailBatch::ThumbnailBatch(std::vector<BatchJob> jobs, const ThumbnailRequest &request,
                               const BatchOptions &options)
    : jobs_(std::move(jobs)), request_(stampedAsAsked(request, options.stamp)), wake_(options.wake),
      sources_(identitiesOf(jobs_)), budget_(options.memoryLimit), done_(jobs_.size()) {
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

ThumbnailRequest ThumbnailBatch::requestOf(std::size_t index) const {
    ThumbnailRequest s = request_;
    if (jobs_[index].width > 0) {
        s.width = jobs_[index].width;
        s.height = jobs_[index].height;
    }
    return s;
}

BatchResult ThumbnailBatch::convertNow(std::size_t index) {
    const ThumbnailRequest s = requestOf(index);
    BatchResult result;
    result.status = MakeThumbnailBytes(jobs_[index].source, result.bytes, s, &budget_,
                                       [&result](const SharedReadFile &file) {
                                           noteOpened(file, result);
                                           return ThumbnailStatus{};
                                       });
    finish(result);
    return result;
}

void ThumbnailBatch::finish(BatchResult &result) {
    if (!result.status)
        return;
    EncodedPictureSize(result.bytes, result.width, result.height);
    result.size = result.bytes.size();
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
        // All sizes of one photo go to one worker, which reads the photo once for them.
        const std::size_t first = next_;
        do
            ++next_;
        while (next_ < jobs_.size() && sameGroup(first, next_));
        const std::size_t end = next_;
        guard.unlock();
        std::vector<BatchResult> results = convertGroup(first, end);
        guard.lock();
        for (std::size_t index = first; index < end; ++index)
            // A photo the walk has passed over or a stopped run no longer wants.
            if (!stopping_ && index >= released_)
                done_[index] = std::move(results[index - first]);
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

bool ThumbnailBatch::sameGroup(std::size_t first, std::size_t index) const {
    const BatchJob &a = jobs_[first], &b = jobs_[index];
    return a.convert && b.convert && !a.target.empty() && !b.target.empty() && a.source == b.source;
}

std::vector<BatchResult> ThumbnailBatch::convertGroup(std::size_t first, std::size_t end) {
    const auto started = std::chrono::steady_clock::now();
    std::vector<BatchResult> results(end - first);
    // The command line's targets are known: a refused one fails before the work.
    std::vector<std::size_t> wanted;
    for (std::size_t index = first; index < end; ++index) {
        const BatchJob &job = jobs_[index];
        if (!job.convert)
            continue;
        if (int error = job.target.empty() ? 0 : CheckCompleteFileTarget(job.target, sources_))
            results[index - first].status = {ThumbnailError::Target, error};
        else
            wanted.push_back(index);
    }
    if (wanted.size() == 1) {
        results[wanted[0] - first] = convertNow(wanted[0]);
    } else if (!wanted.empty()) {
        std::vector<ThumbnailBox> boxes;
        for (std::size_t index : wanted)
            boxes.push_back({requestOf(index).width, requestOf(index).height});
        std::vector<std::string> thumbnails;
        BatchResult opened;
        const std::vector<ThumbnailStatus> statuses =
            MakeThumbnailSizes(jobs_[first].source, request_, boxes, thumbnails, &budget_,
                               [&opened](const SharedReadFile &f) {
                                   noteOpened(f, opened);
                                   return ThumbnailStatus{};
                               });
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            BatchResult &result = results[wanted[i] - first];
            result.status = statuses[i];
            result.source = opened.source;
            result.read = opened.read;
            result.bytes = std::move(thumbnails[i]);
            finish(result);
        }
    }
    for (std::size_t index : wanted) {
        BatchResult &result = results[index - first];
        if (!jobs_[index].target.empty()) {
            // Written, the thumbnail keeps the note of how it was made.
            if (result.status)
                if (ThumbnailStatus written = write(jobs_[index].target, result); !written)
                    result.status = written;
            result.bytes.clear();
        }
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    for (BatchResult &result : results)
        result.milliseconds = milliseconds / double(results.size());
    return results;
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
