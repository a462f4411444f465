#pragma once
// Converts the photos of a batch ahead of the run, on several threads, into memory. The run
// takes the thumbnails in list order; nothing here writes a file.
#include "colors.h"
#include "completefile.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>
#include <time.h>

struct ThumbnailSettings {
    int width = 0;
    int height = 0;
    bool keepAspect = false;
    TColor fill = 0; // already resolved: a system colour is looked up on the GUI thread
    bool transparent = false;
    bool eraseEmpty = false;
};

// What a name stands for at one moment: a file (through any link), which one in which
// version, or nothing (or no file: a folder, a FIFO, a dangling link).
struct FileState {
    bool isFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileState &other) const;
};

FileState LookAtFile(const std::string &name);

struct PreparedThumbnail {
    bool ok = false;
    std::string bytes;                  // the complete thumbnail file when ok
    std::optional<FileIdentity> source; // the file that was read
    FileState read;                     // and its version then
};

// One photo into memory: the source is opened as ExclusiveFile opens it, for shared reading
// without waiting (a FIFO, device, socket or folder is refused unopened; a file another
// program holds exclusively fails), and the engine converts it. Never throws.
PreparedThumbnail PrepareThumbnail(const std::string &source, const ThumbnailSettings &settings);

class BatchPool {
public:
    // Starts `workers` threads (at least one, at most one per source) over the sources in
    // order. `wake` is called from a worker each time a thumbnail is ready and when a worker
    // leaves, so a waiting GUI thread can look again.
    BatchPool(std::vector<std::string> sources, const ThumbnailSettings &settings, int workers,
              std::function<void()> wake);
    // Stops and joins the workers; whatever they hold is thrown away.
    ~BatchPool();
    BatchPool(const BatchPool &) = delete;
    BatchPool &operator=(const BatchPool &) = delete;

    const std::string &source(std::size_t index) const { return sources_[index]; }
    const ThumbnailSettings &settings() const { return settings_; }
    // How many thumbnails may be converted ahead of the run and not yet taken.
    std::size_t window() const { return window_; }

    // Whether the thumbnail of the next photo, `index`, can be taken without waiting.
    bool ready(std::size_t index) const;
    // The thumbnail of photo `index`, which must be the next one and ready; it is then
    // released, so the workers may go one photo further.
    PreparedThumbnail take(std::size_t index);
    // Photo `index`, the next one, is not wanted: its thumbnail is thrown away, now or when
    // its conversion ends.
    void discard(std::size_t index);

    // Asks the workers to stop after their current photo and throws away what they hold.
    void stop();
    // True once every worker has left its loop (the joins in the destructor are then quick).
    bool finished() const;

private:
    void work();
    void release(std::size_t index);

    const std::vector<std::string> sources_;
    const ThumbnailSettings settings_;
    const std::function<void()> wake_;
    std::size_t window_ = 0;

    mutable std::mutex lock_;
    std::condition_variable moved_;
    std::vector<std::optional<PreparedThumbnail>> done_;
    std::size_t next_ = 0;     // the next photo a worker claims
    std::size_t released_ = 0; // photos before this one have been taken or discarded
    int running_ = 0;          // workers still in their loop
    bool stopping_ = false;

    std::vector<std::thread> threads_;
};
