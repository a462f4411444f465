#pragma once
// The preview of one picture: drawn at the top-left corner at its natural size, or scaled
// down to fit with its aspect kept; never enlarged. A JPEG is decoded at the size it is
// shown, so a photo of any size costs about as much as its preview.
#include <QImage>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    // The picture as decoded for the area it is shown in (a JPEG at the size shown, other
    // formats whole), and the size of the file's own picture.
    const QImage &Picture() const { return picture_; }
    QSize NaturalSize() const { return naturalSize_; }
    void setPicture(const QImage &picture);

    // Loads the file as the picture type its extension names (bitmap, icon, metafile, JPEG);
    // any failure, an unknown extension or a damaged file included, clears the picture.
    // False on failure.
    bool LoadFromFile(const QString &fileName);

    // Whether a JPEG shows turned as its EXIF orientation asks; a change shows at once.
    void setUpright(bool on);

    // Where the picture goes inside an area: its natural size when it fits, else the largest
    // size of the same aspect that fits; at the area's top-left corner.
    static QRect PictureRect(QSize picture, QSize area);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The area in device pixels, which is what a JPEG is decoded for.
    QSize deviceArea() const;
    bool loadJpeg(const QString &fileName);

    QImage picture_;
    QSize naturalSize_;
    // The JPEG shown, decoded again when the area grows past what was decoded.
    QString jpegFile_;
    bool upright_ = false;
};
