#include "colorpanel.h"

#include "KEL_accessible.h"
#include "KEL_common.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

TColorPanel::TColorPanel(QWidget *parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void TColorPanel::setColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    update();
    // Its name tells the colour.
    NotifyAccessibleNameChanged(this);
}

void TColorPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    PaintPanelFace(painter, rect(), color_);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
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

void TColorPanel::keyPressEvent(QKeyEvent *event) {
    // Space, as on a push button.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
        !event->isAutoRepeat()) {
        emit OnClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
