#pragma once
// Child placement by anchors: each anchored edge keeps its distance to the same edge of the
// parent as the parent is resized; a control anchored to both opposite edges stretches.
#include <QFlags>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

enum class Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
Q_DECLARE_FLAGS(Anchors, Anchor)
Q_DECLARE_OPERATORS_FOR_FLAGS(Anchors)

// The combinations the windows use.
inline constexpr Anchors akTopLeft = Anchors(Anchor::Left) | Anchor::Top;
inline constexpr Anchors akBottomLeft = Anchors(Anchor::Left) | Anchor::Bottom;
inline constexpr Anchors akBottomRight = Anchors(Anchor::Right) | Anchor::Bottom;
inline constexpr Anchors akStretchBottom = Anchors(Anchor::Left) | Anchor::Right | Anchor::Bottom;
inline constexpr Anchors akTopStretch = Anchors(Anchor::Left) | Anchor::Top | Anchor::Right;
inline constexpr Anchors akAll =
    Anchors(Anchor::Left) | Anchor::Top | Anchor::Right | Anchor::Bottom;

// The rectangle of a child placed at `design` in a parent of `designSize`, once the parent
// has become `size`.
QRect AnchoredRect(const QRect &design, Anchors anchors, QSize designSize, QSize size);

// Watches one parent and keeps its anchored children in place.
class TAnchorLayout : public QObject {
public:
    TAnchorLayout(QWidget *parent, QSize designSize);
    // Places the child at its design rectangle (an empty size keeps the child's own size).
    void place(QWidget *child, QRect design, Anchors anchors = akTopLeft);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Item {
        QPointer<QWidget> widget;
        QRect design;
        Anchors anchors;
    };
    void apply(const Item &item) const;

    QWidget *parent_;
    QSize designSize_;
    QList<Item> items_;
};
