#pragma once
// A bar between an edge-aligned control and the control that fills the rest: dragging it
// resizes the aligned control, each side keeping at least its minimum (MinSize pixels unless
// set).
#include "colors.h"

#include <QPointer>
#include <QWidget>

class TSplitter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE setColor)
public:
    static constexpr int MinSize = 30;

    // `resized` lies above the bar (vertical resizing) or to its right (horizontal resizing);
    // `filling` takes what is left.
    TSplitter(Qt::Orientation resizing, QWidget *resized, QWidget *filling,
              QWidget *parent = nullptr);

    // The least each side keeps while the bar is dragged.
    void setMinimumExtents(int resized, int filling);

    TColor Color() const { return color_; }
    void setColor(TColor color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int extentOf(const QWidget *w) const;

    Qt::Orientation resizing_;
    QPointer<QWidget> resized_;
    QPointer<QWidget> filling_;
    TColor color_ = clBtnFace;
    bool dragging_ = false;
    int pressAt_ = 0;
    int startExtent_ = 0;
    int room_ = 0;
    int minResized_ = MinSize;
    int minFilling_ = MinSize;
};
