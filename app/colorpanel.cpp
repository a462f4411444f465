#include "colorpanel.h"

#include "KEL_accessible.h"
#include "KEL_common.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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
    // The style's own focus frame is lost on a dark swatch: a dotted line that stands out
    // from the colour, whatever it is.
    if (hasFocus()) {
        const bool dark = ToQColor(color_).lightness() < 128;
        painter.setPen(QPen(dark ? Qt::white : Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
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
