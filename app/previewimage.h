#pragma once
// The preview of one picture: drawn at the top-left corner at its natural size, or scaled
// down to fit with its aspect kept; never enlarged. A JPEG is decoded at the size it is
// shown, so a photo of any size costs about as much as its preview; every file is decoded
// off the window's thread, so the window answers input meanwhile.
#include "previewloader.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    // The picture as decoded for the area it is shown in (a JPEG at the size shown, other
    // formats whole), and the size of the file's own picture.
    const QImage &Picture() const { return picture_; }
    QSize NaturalSize() const { return naturalSize_; }
    // Shows a picture of no file; a load in hand is dropped.
    void setPicture(const QImage &picture);

    // Starts loading the file as the picture type its extension names (bitmap, icon,
    // metafile, JPEG); what is shown stays until the file is decoded. Any failure, an unknown
    // extension or a damaged file included, then clears the picture.
    void LoadFromFile(const QString &fileName);
    // Whether a load has not ended yet.
    bool Loading() const { return loader_.busy(); }
    // The file shown, and the file being loaded; empty when none.
    QString ShownFile() const { return shownFile_; }
    QString LoadingFile() const { return loadingFile_; }

    // Stops showing, or loading, a file that is not among `files`.
    void KeepOnly(const QStringList &files);

    // Whether a JPEG shows turned as its EXIF orientation asks; a change shows once decoded.
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
    // Decodes the file shown again, as it is now asked for; a failure keeps what is shown.
    void reload();
    void showLoaded(const PreviewRequest &request, const PreviewResult &result);
    void showFile(const QImage &picture, QSize naturalSize, const QString &fileName);

    TPreviewLoader loader_;
    // A resize is settled before the picture is decoded for it: one decode per size reached,
    // not one per step of a drag.
    QTimer resized_;
    QImage picture_;
    QSize naturalSize_;
    QString shownFile_;
    QString loadingFile_;
    bool reloading_ = false; // the load in hand is of the file shown
    bool upright_ = false;
};
