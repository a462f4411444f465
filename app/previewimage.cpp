#include "previewimage.h"

#include "filenames.h"
#include "regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

// The reader format for each extension the preview knows; metafiles are known but have no
// reader here, so they clear the preview like a damaged file.
QByteArray formatOf(const QString &fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return "bmp";
    if (ext == QLatin1String("ico"))
        return "ico";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "jpeg";
    return {};
}

} // namespace

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::setPicture(const QImage &picture) {
    picture_ = picture;
    update();
}

bool TImage::LoadFromFile(const QString &fileName) {
    QImage loaded;
    const QByteArray format = formatOf(fileName);
    int error = 0;
    // Opened by its bytes: Qt's own file classes cannot open a name that is not UTF-8.
    const int fd = format.isEmpty() ? -1 : OpenRegularFile(NativeName(fileName), error);
    QFile file;
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        QImageReader reader(&file, format);
        reader.setAutoDetectImageFormat(false);
        loaded = reader.read();
    }
    setPicture(loaded);
    return !loaded.isNull();
}

QRect TImage::PictureRect(QSize picture, QSize area) {
    if (picture.width() <= area.width() && picture.height() <= area.height())
        return QRect(QPoint(0, 0), picture);
    return QRect(QPoint(0, 0), picture.scaled(area, Qt::KeepAspectRatio));
}

void TImage::paintEvent(QPaintEvent *) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(picture_.size(), size()), picture_);
}
