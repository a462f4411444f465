#include "previewimage.h"

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
    if (!format.isEmpty()) {
        QImageReader reader(fileName, format);
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
