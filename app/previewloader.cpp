#include "previewloader.h"

#include "filenames.h"
#include "previewdecode.h"
#include "regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaObject>

#include <vector>

namespace {

enum class PreviewFormat { Bitmap, Icon, Photo };

// Bitmaps and icons by their extension, as Qt reads them; every other file is a photo if its
// content says so (the engine's decoders), and clears the preview like a damaged file if not.
PreviewFormat formatOf(const QString &fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return PreviewFormat::Bitmap;
    if (ext == QLatin1String("ico"))
        return PreviewFormat::Icon;
    return PreviewFormat::Photo;
}

// Opened by its bytes: Qt's own file classes cannot open a name that is not UTF-8.
PreviewResult readWhole(const QString &fileName, const char *format) {
    int error = 0;
    const int fd = OpenRegularFile(NativeName(fileName), error);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false);
    const QImage picture = reader.read();
    return {picture, picture.size()};
}

PreviewResult decodePhoto(const PreviewRequest &request, const std::atomic<bool> &stop) {
    const QSize box = request.box.expandedTo(QSize(1, 1));
    std::optional<PreviewPicture> decoded = DecodePreview(
        NativeName(request.fileName), {box.width(), box.height()}, request.upright, &stop);
    if (!decoded)
        return {};
    // The image takes the decoded pixels over: no second copy while it is shown.
    auto *pixels = new std::vector<std::uint8_t>(std::move(decoded->rgb));
    const QImage picture(
        pixels->data(), decoded->size.width, decoded->size.height, decoded->size.width * 3,
        QImage::Format_RGB888, [](void *p) { delete static_cast<std::vector<std::uint8_t> *>(p); },
        pixels);
    return {picture, QSize(decoded->source.width, decoded->source.height)};
}

} // namespace

PreviewResult DecodeForPreview(const PreviewRequest &request, const std::atomic<bool> &stop) {
    switch (formatOf(request.fileName)) {
    case PreviewFormat::Bitmap:
        return readWhole(request.fileName, "bmp");
    case PreviewFormat::Icon:
        return readWhole(request.fileName, "ico");
    case PreviewFormat::Photo:
        break;
    }
    return decodePhoto(request, stop);
}

TPreviewLoader::TPreviewLoader(QObject *parent) : QObject(parent) {}

TPreviewLoader::~TPreviewLoader() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
        stopDecode_ = true;
    }
    asked_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void TPreviewLoader::load(const PreviewRequest &request) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        pending_.emplace(++newest_, request);
        stopDecode_ = true;
    }
    busy_ = true;
    asked_.notify_one();
    if (!thread_.joinable())
        thread_ = std::thread(&TPreviewLoader::work, this);
}

void TPreviewLoader::cancel() {
    const std::lock_guard<std::mutex> hold(lock_);
    ++newest_;
    pending_.reset();
    stopDecode_ = true;
    busy_ = false;
}

void TPreviewLoader::work() {
    for (;;) {
        std::unique_lock<std::mutex> hold(lock_);
        asked_.wait(hold, [this] { return quit_ || pending_; });
        if (quit_)
            return;
        const std::uint64_t number = pending_->first;
        const PreviewRequest request = pending_->second;
        pending_.reset();
        stopDecode_ = false;
        hold.unlock();

        PreviewResult result = DecodeForPreview(request, stopDecode_);
        // Delivered on the loader's thread; the object outlives this thread, and an answer
        // still queued when it goes is deleted with it.
        QMetaObject::invokeMethod(
            this,
            [this, number, request, result = std::move(result)] {
                if (number != newest_)
                    return;
                busy_ = false;
                emit loaded(request, result);
            },
            Qt::QueuedConnection);
    }
}
