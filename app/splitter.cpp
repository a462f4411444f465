#include "splitter.h"

#include "KEL_common.h"

#include <QMouseEvent>
#include <QPainter>

TSplitter::TSplitter(Qt::Orientation resizing, QWidget *resized, QWidget *filling, QWidget *parent)
    : QWidget(parent), resizing_(resizing), resized_(resized), filling_(filling) {
    setCursor(resizing == Qt::Vertical ? Qt::SizeVerCursor : Qt::SplitHCursor);
}

void TSplitter::setMinimumExtents(int resized, int filling) {
    minResized_ = resized;
    minFilling_ = filling;
}

void TSplitter::setColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    update();
}

int TSplitter::extentOf(const QWidget *w) const {
    return resizing_ == Qt::Vertical ? w->height() : w->width();
}

void TSplitter::paintEvent(QPaintEvent *) {
    QPainter(this).fillRect(rect(), ToQColor(color_));
}

void TSplitter::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !resized_ || !filling_)
        return;
    dragging_ = true;
    const QPoint global = event->globalPosition().toPoint();
    pressAt_ = resizing_ == Qt::Vertical ? global.y() : global.x();
    startExtent_ = extentOf(resized_);
    room_ = startExtent_ + extentOf(filling_);
}

void TSplitter::mouseMoveEvent(QMouseEvent *event) {
    if (!dragging_ || !resized_)
        return;
    const QPoint global = event->globalPosition().toPoint();
    const int at = resizing_ == Qt::Vertical ? global.y() : global.x();
    // Above the bar, moving down grows the control; right of the bar, moving left does.
    const int delta = resizing_ == Qt::Vertical ? at - pressAt_ : pressAt_ - at;
    const int extent =
        qBound(minResized_, startExtent_ + delta, qMax(minResized_, room_ - minFilling_));
    if (resizing_ == Qt::Vertical)
        resized_->setFixedHeight(extent);
    else
        resized_->setFixedWidth(extent);
}

void TSplitter::mouseReleaseEvent(QMouseEvent *) {
    dragging_ = false;
}
