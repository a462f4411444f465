#pragma once
// One batch of photos converted on a pool of worker threads, ahead of the front end that
// walks the list: every decoder takes its memory from one shared budget, at most the
// read-ahead limit of finished photos wait for the walk, and the walk takes the results in
// list order. The window writes each thumbnail after its questions are settled; the command
// line lets the workers write as they go (its targets are planned before the start).
#include "colors.h"
#include "completefile.h"
#include "filestate.h"
#include "memorybudget.h"
#include "settingsstamp.h"
#include "uthumbnail.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct BatchJob {
    std::string source;
    // Written by the worker as soon as the thumbnail is made; empty: the front end writes.
    std::string target;
    bool convert = true; // false: passed over, its result is ready at once
    // The box of this thumbnail when it is not the batch's (one of several sizes).
    int width = 0;
    int height = 0;
};

struct BatchOptions {
    int workers = 0;           // 0: one per core
    std::size_t readAhead = 0; // 0: twice the workers
    std::uint64_t memoryLimit = kDefaultDecoderMemory;
    // Each thumbnail carries the stamp of its settings (runs that skip up-to-date ones).
    bool stamp = false;
    // Called from a worker each time a result is ready and when a worker leaves, so a front
    // end waiting in its own event loop can look again.
    std::function<void()> wake;
};

struct BatchResult {
    ThumbnailStatus status;
    std::string bytes;                  // the thumbnail, while the front end has to write it
    std::optional<FileIdentity> source; // the file that was read
    FileState read;                     // and its version then
    int width = 0;                      // the thumbnail's size in pixels
    int height = 0;
    std::size_t size = 0;    // its bytes
    double milliseconds = 0; // making and writing it
};

class ThumbnailBatch {
public:
    ThumbnailBatch(std::vector<BatchJob> jobs, const ThumbnailRequest &request,
                   const BatchOptions &options);
    // Stops and joins the workers; whatever they hold is thrown away.
    ~ThumbnailBatch();
    ThumbnailBatch(const ThumbnailBatch &) = delete;
    ThumbnailBatch &operator=(const ThumbnailBatch &) = delete;

    const std::string &source(std::size_t index) const { return jobs_[index].source; }
    // How many results may be finished ahead of the walk and not yet taken.
    std::size_t readAhead() const { return readAhead_; }

    // Whether the result of the next photo, `index`, can be taken without waiting.
    bool ready(std::size_t index) const;
    // The result of photo `index`, which must be the next one and ready; the workers may
    // then go one photo further.
    BatchResult take(std::size_t index);
    // take() for a front end without an event loop: waits for the result here.
    BatchResult waitFor(std::size_t index);
    // Photo `index`, the next one, is not wanted: its result is thrown away, now or when its
    // conversion ends.
    void discard(std::size_t index);

    // Photo `index` converted again, as it is now, on the calling thread.
    BatchResult convertNow(std::size_t index);
    // Gives `target` the thumbnail as a complete file, or leaves it as it was. Never replaces
    // a photo of the batch (through any name or link), a folder or a special file; a replaced
    // file passes on its permissions, owner and group. Temporary files that killed writers of
    // ours left in the target's folder are swept the first time the run writes there.
    ThumbnailStatus write(const std::string &target, const BatchResult &thumbnail);

    // Asks the workers to stop after the photo in hand and throws away what they hold.
    void stop();
    // True once every worker has left its loop (the joins in the destructor are then quick).
    bool finished() const;

private:
    void work();
    // Whether job `index` is another size of the photo of job `first`, read with it.
    bool sameGroup(std::size_t first, std::size_t index) const;
    // Jobs first to end (one photo in its sizes): made, written when the job names its
    // target, timed.
    std::vector<BatchResult> convertGroup(std::size_t first, std::size_t end);
    // A made thumbnail's size.
    static void finish(BatchResult &result);
    void release(std::size_t index);

    const std::vector<BatchJob> jobs_;
    // The request of job `index`: the batch's, with the job's own box.
    ThumbnailRequest requestOf(std::size_t index) const;

    const ThumbnailRequest request_; // stamped as the options ask
    const std::function<void()> wake_;
    const std::vector<FileIdentity> sources_; // every photo of the batch that exists, sorted
    DecoderMemoryBudget budget_;
    std::size_t readAhead_ = 0;

    mutable std::mutex lock_;
    std::condition_variable moved_;
    std::vector<std::optional<BatchResult>> done_;
    std::size_t next_ = 0;     // the next photo a worker claims
    std::size_t released_ = 0; // photos before this one have been taken or discarded
    int running_ = 0;          // workers still in their loop
    bool stopping_ = false;
    std::set<std::string> swept_; // folders already cleared of stale temporaries

    std::vector<std::thread> threads_;
};
