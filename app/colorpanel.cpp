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
    const QRect r = rect();
    painter.fillRect(r, ToQColor(color_));
    // The one-pixel raised bevel of a plain panel.
    painter.setPen(ToQColor(clWhite));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(ToQColor(clBtnShadow));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
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
