#pragma once
// Decodes pictures for the preview on a thread of its own, so a large photo never holds up the
// window. The newest request wins: it stops the decode in hand, and a result that is no longer
// the newest is dropped.
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

struct PreviewRequest {
    QString fileName;
    QSize box; // device pixels
    bool upright = false;
};

struct PreviewResult {
    QImage picture;   // null when the file could not be shown
    QSize sourceSize; // the file's own picture, turned when upright
};

// The one place a file becomes a preview: its extension names the format (bitmap, icon,
// metafile, JPEG); a JPEG is decoded at the size it is shown. A null picture for an unknown
// extension, a damaged file, or once `stop` turns true.
PreviewResult DecodeForPreview(const PreviewRequest &request, const std::atomic<bool> &stop);

class TPreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit TPreviewLoader(QObject *parent = nullptr);
    // Stops the decode in hand and waits for its thread.
    ~TPreviewLoader() override;

    // Starts decoding; whatever was asked before is no longer wanted.
    void load(const PreviewRequest &request);
    // Nothing asked for is wanted any more.
    void cancel();
    // Whether a request has not been answered yet.
    bool busy() const { return busy_; }

signals:
    // The answer to the newest request, on the loader's own thread.
    void loaded(const PreviewRequest &request, const PreviewResult &result);

private:
    void work();

    std::uint64_t newest_ = 0; // the number of the newest request, on the loader's thread
    bool busy_ = false;

    std::mutex lock_;
    std::condition_variable asked_;
    std::optional<std::pair<std::uint64_t, PreviewRequest>> pending_;
    std::atomic<bool> stopDecode_ = false;
    bool quit_ = false;
    std::thread thread_; // started by the first request
};
