#include "anchors.h"

#include <QEvent>

namespace {

// One axis: where the child starts and how long it is.
std::pair<int, int> anchoredSpan(int start, int length, int designExtent, int extent, bool nearEdge,
                                 bool farEdge) {
    const int grow = extent - designExtent;
    if (nearEdge && farEdge)
        return {start, qMax(0, length + grow)};
    if (farEdge)
        return {start + grow, length};
    return {start, length};
}

} // namespace

QRect AnchoredRect(const QRect &design, Anchors anchors, QSize designSize, QSize size) {
    auto [x, w] = anchoredSpan(design.x(), design.width(), designSize.width(), size.width(),
                               anchors & Anchor::Left, anchors & Anchor::Right);
    auto [y, h] = anchoredSpan(design.y(), design.height(), designSize.height(), size.height(),
                               anchors & Anchor::Top, anchors & Anchor::Bottom);
    return QRect(x, y, w, h);
}

TAnchorLayout::TAnchorLayout(QWidget *parent, QSize designSize)
    : QObject(parent), parent_(parent), designSize_(designSize) {
    parent->installEventFilter(this);
}

void TAnchorLayout::place(QWidget *child, QRect design, Anchors anchors) {
    if (design.size().isEmpty())
        design.setSize(child->sizeHint());
    items_.append({child, design, anchors});
    apply(items_.back());
}

void TAnchorLayout::apply(const Item &item) const {
    if (item.widget)
        item.widget->setGeometry(
            AnchoredRect(item.design, item.anchors, designSize_, parent_->size()));
}

bool TAnchorLayout::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parent_ && event->type() == QEvent::Resize)
        for (const Item &item : items_)
            apply(item);
    return false;
}
