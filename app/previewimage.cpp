#include "previewimage.h"

#include "filenames.h"
#include "previewdecode.h"
#include "regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

enum class PreviewFormat { None, Bitmap, Icon, Jpeg };

// The format for each extension the preview knows; metafiles are known but have no reader
// here, so they clear the preview like a damaged file.
PreviewFormat formatOf(const QString &fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return PreviewFormat::Bitmap;
    if (ext == QLatin1String("ico"))
        return PreviewFormat::Icon;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return PreviewFormat::Jpeg;
    return PreviewFormat::None;
}

// Opened by its bytes: Qt's own file classes cannot open a name that is not UTF-8.
QImage readWhole(const QString &fileName, const char *format) {
    int error = 0;
    const int fd = OpenRegularFile(NativeName(fileName), error);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QImage();
    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

PixelSize pixelSize(QSize size) {
    return {size.width(), size.height()};
}

} // namespace

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::setPicture(const QImage &picture) {
    picture_ = picture;
    naturalSize_ = picture.size();
    jpegFile_.clear();
    update();
}

bool TImage::LoadFromFile(const QString &fileName) {
    switch (formatOf(fileName)) {
    case PreviewFormat::Bitmap:
        setPicture(readWhole(fileName, "bmp"));
        break;
    case PreviewFormat::Icon:
        setPicture(readWhole(fileName, "ico"));
        break;
    case PreviewFormat::Jpeg:
        if (!loadJpeg(fileName))
            setPicture(QImage());
        break;
    case PreviewFormat::None:
        setPicture(QImage());
        break;
    }
    return !picture_.isNull();
}

bool TImage::loadJpeg(const QString &fileName) {
    std::optional<PreviewPicture> decoded = DecodePreview(
        NativeName(fileName), pixelSize(deviceArea().expandedTo(QSize(1, 1))), upright_);
    if (!decoded)
        return false;
    // The image takes the decoded pixels over: no second copy while it is shown.
    auto *pixels = new std::vector<std::uint8_t>(std::move(decoded->rgb));
    picture_ = QImage(
        pixels->data(), decoded->size.width, decoded->size.height, decoded->size.width * 3,
        QImage::Format_RGB888, [](void *p) { delete static_cast<std::vector<std::uint8_t> *>(p); },
        pixels);
    naturalSize_ = QSize(decoded->source.width, decoded->source.height);
    jpegFile_ = fileName;
    update();
    return true;
}

void TImage::setUpright(bool on) {
    if (on == upright_)
        return;
    upright_ = on;
    if (!jpegFile_.isEmpty())
        loadJpeg(jpegFile_);
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
    // A larger area than the picture was decoded for would show it blurred: decode it again
    // for the new size, keeping what is shown when the file has changed or gone since.
    if (jpegFile_.isEmpty())
        return;
    const QSize wanted = PictureRect(naturalSize_, deviceArea()).size();
    if (wanted.width() > picture_.width() || wanted.height() > picture_.height())
        loadJpeg(jpegFile_);
}

void TImage::paintEvent(QPaintEvent *) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(naturalSize_, size()), picture_);
}
