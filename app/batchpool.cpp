#include "batchpool.h"

#include "exclusivefile.h"
#include "fdstream.h"
#include "uthumbnail.h"

#include <algorithm>
#include <istream>
#include <sstream>

#include <sys/stat.h>

namespace {

FileState stateOf(const struct stat &st) {
    if (!S_ISREG(st.st_mode))
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

} // namespace

bool FileState::operator==(const FileState &other) const {
    return isFile == other.isFile && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

FileState LookAtFile(const std::string &name) {
    struct stat st {};
    if (name.empty() || ::stat(name.c_str(), &st) != 0)
        return {};
    return stateOf(st);
}

PreparedThumbnail PrepareThumbnail(const std::string &source, const ThumbnailSettings &s) {
    PreparedThumbnail result;
    ExclusiveFile file;
    if (!file.openForReading(source))
        return result;
    result.source = file.identity();
    if (struct stat st{}; ::fstat(file.fd(), &st) == 0)
        result.read = stateOf(st);
    try {
        FdStreamBuf in(file.fd());
        std::istream sourceStream(&in);
        std::ostringstream target;
        result.ok = CreateThumbnailStream(sourceStream, target, s.width, s.height, s.keepAspect,
                                          s.fill, s.transparent, s.eraseEmpty);
        if (result.ok)
            result.bytes = std::move(target).str();
    } catch (...) {
        // Out of memory or the like: the photo counts as failed, the run goes on in order.
        result.ok = false;
        result.bytes.clear();
    }
    return result;
}

BatchPool::BatchPool(std::vector<std::string> sources, const ThumbnailSettings &settings,
                     int workers, std::function<void()> wake)
    : sources_(std::move(sources)), settings_(settings), wake_(std::move(wake)),
      done_(sources_.size()) {
    const int count = std::clamp(workers, 1, std::max(1, int(sources_.size())));
    window_ = std::size_t(count) * 2;
    running_ = count;
    threads_.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        threads_.emplace_back([this] { work(); });
}

BatchPool::~BatchPool() {
    stop();
    for (std::thread &t : threads_)
        t.join();
}

void BatchPool::work() {
    std::unique_lock guard(lock_);
    for (;;) {
        moved_.wait(guard, [this] {
            return stopping_ || next_ >= sources_.size() || next_ < released_ + window_;
        });
        if (stopping_ || next_ >= sources_.size())
            break;
        const std::size_t index = next_++;
        guard.unlock();
        PreparedThumbnail result = PrepareThumbnail(sources_[index], settings_);
        guard.lock();
        // A photo the run has passed over or a stopped run no longer wants.
        if (stopping_ || index < released_)
            continue;
        done_[index] = std::move(result);
        guard.unlock();
        if (wake_)
            wake_();
        guard.lock();
    }
    --running_;
    guard.unlock();
    if (wake_)
        wake_();
}

bool BatchPool::ready(std::size_t index) const {
    std::lock_guard guard(lock_);
    return index < done_.size() && done_[index].has_value();
}

PreparedThumbnail BatchPool::take(std::size_t index) {
    PreparedThumbnail result;
    {
        std::lock_guard guard(lock_);
        if (index < done_.size() && done_[index])
            result = std::move(*done_[index]);
    }
    release(index);
    return result;
}

void BatchPool::discard(std::size_t index) {
    release(index);
}

void BatchPool::release(std::size_t index) {
    {
        std::lock_guard guard(lock_);
        if (index < done_.size())
            done_[index].reset();
        released_ = std::max(released_, index + 1);
    }
    moved_.notify_all();
}

void BatchPool::stop() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        for (std::optional<PreparedThumbnail> &held : done_)
            held.reset();
    }
    moved_.notify_all();
}

bool BatchPool::finished() const {
    std::lock_guard guard(lock_);
    return running_ == 0;
}
