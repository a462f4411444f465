#pragma once
// One window holding every section of the gallery side by side, each under a heading.
#include <QWidget>

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget *parent = nullptr);
};
