#pragma once
// Moves, presses and releases the mouse through the window system, so that Qt's own dispatch
// decides which widget hears of the pointer entering, leaving, pressing and releasing.
#include <QWidget>
#include <QWindow>
#include <QtTest>

class RealPointer {
public:
    // Shows the widget's window at a fixed place and waits until it can take input.
    explicit RealPointer(QWidget *widget) : top_(widget->window()) {
        top_->move(0, 0);
        top_->show();
        if (!QTest::qWaitForWindowExposed(top_))
            qWarning("the window was not exposed");
        top_->activateWindow();
        // Qt drops a move to where the pointer already is: start from a known spot.
        QTest::mouseMove(handle(), QPoint(1, 1));
        away();
    }

    // Positions are relative to `widget`, which must sit in the window given at creation.
    void move(QWidget *widget, QPoint at) { QTest::mouseMove(handle(), inWindow(widget, at)); }
    void press(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(handle(), button, {}, inWindow(widget, at));
    }
    void release(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(handle(), button, {}, inWindow(widget, at));
    }
    // Press, release, a second press within the double-click time, release.
    void doubleClick(QWidget *widget, QPoint at) {
        QTest::mouseDClick(handle(), Qt::LeftButton, {}, inWindow(widget, at));
    }
    // Out of every child: the window's bottom-right corner, which no child may cover.
    void away() { QTest::mouseMove(handle(), QPoint(top_->width() - 1, top_->height() - 1)); }

private:
    QWindow *handle() const { return top_->windowHandle(); }
    QPoint inWindow(QWidget *widget, QPoint at) const { return widget->mapTo(top_, at); }

    QWidget *top_;
};
