#pragma once
// The preview of one picture: drawn at the top-left corner at its natural size, or scaled
// down to fit with its aspect kept; never enlarged.
#include <QImage>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const QImage &Picture() const { return picture_; }
    void setPicture(const QImage &picture);

    // Loads the file as the picture type its extension names (bitmap, icon, metafile, JPEG);
    // any failure, an unknown extension included, clears the picture. False on failure.
    bool LoadFromFile(const QString &fileName);

    // Where the picture goes inside an area: its natural size when it fits, else the largest
    // size of the same aspect that fits; at the area's top-left corner.
    static QRect PictureRect(QSize picture, QSize area);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage picture_;
};
