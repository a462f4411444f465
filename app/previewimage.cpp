#include "previewimage.h"

#include "KEL_accessible.h"
#include "previewdecode.h"

#include <QPainter>

namespace {

PixelSize pixelSize(QSize size) {
    return {size.width(), size.height()};
}

} // namespace

TImage::TImage(QWidget *parent) : QWidget(parent) {
    connect(&loader_, &TPreviewLoader::loaded, this, &TImage::showLoaded);
    resized_.setSingleShot(true);
    resized_.setInterval(100);
    connect(&resized_, &QTimer::timeout, this, [this] {
        // A larger area than the picture was decoded for would show it blurred.
        const QSize wanted = PictureRect(naturalSize_, deviceArea()).size();
        if (wanted.width() > picture_.width() || wanted.height() > picture_.height())
            reload();
    });
}

void TImage::setPicture(const QImage &picture) {
    loader_.cancel();
    loadingFile_.clear();
    showFile(picture, picture.size(), QString());
}

void TImage::showFile(const QImage &picture, QSize naturalSize, const QString &fileName) {
    picture_ = picture;
    naturalSize_ = naturalSize;
    const bool fileChanged = fileName != shownFile_;
    shownFile_ = fileName;
    update();
    // Its accessible name tells the photo shown.
    if (fileChanged)
        NotifyAccessibleNameChanged(this);
}

void TImage::KeepOnly(const QStringList &files) {
    if (!loadingFile_.isEmpty() && !files.contains(loadingFile_)) {
        loader_.cancel();
        loadingFile_.clear();
    }
    if (!shownFile_.isEmpty() && !files.contains(shownFile_))
        showFile(QImage(), QSize(), QString());
}

void TImage::LoadFromFile(const QString &fileName) {
    loadingFile_ = fileName;
    reloading_ = false;
    loader_.load({fileName, deviceArea(), upright_});
}

void TImage::reload() {
    if (shownFile_.isEmpty() || (!loadingFile_.isEmpty() && !reloading_))
        return;
    loadingFile_ = shownFile_;
    reloading_ = true;
    loader_.load({shownFile_, deviceArea(), upright_});
}

void TImage::showLoaded(const PreviewRequest &request, const PreviewResult &result) {
    loadingFile_.clear();
    // A file that has changed or gone since it was shown keeps what is shown.
    if (result.picture.isNull() && reloading_)
        return;
    showFile(result.picture, result.sourceSize,
             result.picture.isNull() ? QString() : request.fileName);
}

void TImage::setUpright(bool on) {
    if (on == upright_)
        return;
    upright_ = on;
    // A file still being loaded is asked for again, turned as now asked.
    if (!loadingFile_.isEmpty() && !reloading_)
        LoadFromFile(loadingFile_);
    else
        reload();
}

QSize TImage::deviceArea() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

QRect TImage::PictureRect(QSize picture, QSize area) {
    const PixelSize fitted = FitInBox(pixelSize(picture), pixelSize(area));
    return QRect(0, 0, fitted.width, fitted.height);
}

void TImage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!shownFile_.isEmpty())
        resized_.start();
}

void TImage::paintEvent(QPaintEvent *) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(naturalSize_, size()), picture_);
}
