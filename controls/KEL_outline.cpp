#include "KEL_outline.h"

#include <QPainter>

void DrawOutline(QPainter &painter, const QRect &box, int width, const QColor &color) {
    if (width <= 0)
        return;
    const int outward = width / 2;
    const int inward = (width - 1) / 2;
    const int lastColumn = box.x() + box.width() - 1;
    const int lastRow = box.y() + box.height() - 1;
    const QRect outer(QPoint(box.x() - outward, box.y() - outward),
                      QPoint(lastColumn + outward, lastRow + outward));
    const QRect inner(QPoint(box.x() + inward + 1, box.y() + inward + 1),
                      QPoint(lastColumn - inward - 1, lastRow - inward - 1));
    if (inner.width() <= 0 || inner.height() <= 0) {
        painter.fillRect(outer, color);
        return;
    }
    painter.fillRect(
        QRect(QPoint(outer.left(), outer.top()), QPoint(outer.right(), inner.top() - 1)), color);
    painter.fillRect(
        QRect(QPoint(outer.left(), inner.bottom() + 1), QPoint(outer.right(), outer.bottom())),
        color);
    painter.fillRect(
        QRect(QPoint(outer.left(), inner.top()), QPoint(inner.left() - 1, inner.bottom())), color);
    painter.fillRect(
        QRect(QPoint(inner.right() + 1, inner.top()), QPoint(outer.right(), inner.bottom())),
        color);
}
