#include "colorpanel.h"

#include "KEL_common.h"

#include <QMouseEvent>
#include <QPainter>

TColorPanel::TColorPanel(QWidget *parent) : QWidget(parent) {}

void TColorPanel::setColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    update();
}

void TColorPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    PaintPanelFace(painter, rect(), color_);
}

void TColorPanel::mousePressEvent(QMouseEvent *event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void TColorPanel::mouseReleaseEvent(QMouseEvent *event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    if (click)
        emit OnClick();
}
